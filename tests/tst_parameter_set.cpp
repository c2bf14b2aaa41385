// Parameter-set files and their comparison: what is written reads back exactly, a damaged or
// foreign file is refused whole with its line, and every parameter gets its comparison state.
#include <QtTest>

#include "drive/parameter_set.h"
#include "drive/set_comparison.h"

using drive::Comparison;
using drive::ParameterSet;

Q_DECLARE_METATYPE(Comparison)

namespace {

ParameterSet Sample() {
    ParameterSet set;
    set.address = 17;
    set.line = QStringLiteral("COM1 (/dev/ttyUSB0), 19200 baud, RTU 8,E,1");
    set.date = QStringLiteral("2026-12-08T10:00:00");
    set.version = QStringLiteral("0.2.0");
    set.entries[0] = {0, {}};
    set.entries[12] = {65535, {}};
    set.entries[250] = {std::nullopt, QStringLiteral("check error, \"twice\"")};
    return set;
}

const char kHeader[] =
    "modbus-debugger parameter set\r\naddress,1\r\nline,x\r\ndate,d\r\nversion,v\r\n"
    "number,value,verdict\r\n";

}  // namespace

class TestParameterSet : public QObject {
    Q_OBJECT
  private slots:
    // The file as a spreadsheet sees it, and back again unchanged.
    void roundTrip() {
        const ParameterSet set = Sample();
        const QByteArray bytes = drive::ParameterSetCsv(set);
        QVERIFY(
            bytes.startsWith("\xEF\xBB\xBFmodbus-debugger parameter set\r\naddress,17\r\n"
                             "line,\"COM1 (/dev/ttyUSB0), 19200 baud, RTU 8,E,1\"\r\n"));
        QVERIFY(
            bytes.endsWith("number,value,verdict\r\n0,0,\r\n12,65535,\r\n"
                           "250,,\"check error, \"\"twice\"\"\"\r\n"));
        QString error;
        const std::optional<ParameterSet> back = drive::ReadParameterSet(bytes, &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->address, 17);
        QCOMPARE(back->line, set.line);
        QCOMPARE(back->date, set.date);
        QCOMPARE(back->version, set.version);
        QCOMPARE(back->entries.size(), set.entries.size());
        QCOMPARE(back->entries.at(12).value, std::optional<quint16>(65535));
        QCOMPARE(back->entries.at(250).value, std::nullopt);
        QCOMPARE(back->entries.at(250).verdict, set.entries.at(250).verdict);
        QCOMPARE(drive::ParameterSetCsv(*back), bytes);
    }

    void damagedFileIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray header(kHeader);
        // clang-format off
        QTest::newRow("another CSV") << QByteArray("time,number,direction\r\n") << "line 1: not a parameter set";
        QTest::newRow("a key row missing") << QByteArray("modbus-debugger parameter set\r\naddress,1\r\ndate,d\r\n") << "line 3: the \"line\" row is missing";
        QTest::newRow("address out of range") << QByteArray(kHeader).replace("address,1", "address,300") << "line 2: the address";
        QTest::newRow("no column header") << header.left(header.indexOf("number")) + "0,1,\r\n" << "line 6: the column header";
        QTest::newRow("two fields") << header + "0,1,\r\n1,2\r\n" << "line 8: expected three fields";
        QTest::newRow("number out of range") << header + "251,1,\r\n" << "line 7: the parameter number";
        QTest::newRow("a number twice") << header + "5,1,\r\n5,2,\r\n" << "line 8: parameter 5 comes twice";
        QTest::newRow("value above 65535") << header + "5,65536,\r\n" << "line 7: the value is not";
        QTest::newRow("value and verdict") << header + "5,1,no reply\r\n" << "line 7: the value is not";
        QTest::newRow("neither") << header + "5,,\r\n" << "line 7: neither a value";
        QTest::newRow("a quote left open") << header + "5,\"1,\r\n" << "line 7: expected three fields";
        // clang-format on
    }
    void damagedFileIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QString reason;
        QVERIFY(!drive::ReadParameterSet(bytes, &reason));
        QVERIFY2(reason.startsWith(error), qPrintable(reason));
    }

    void compare_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<Comparison>("state");
        QTest::newRow("equal") << 1 << Comparison::Equal;
        QTest::newRow("different") << 2 << Comparison::Different;
        QTest::newRow("only in the first") << 3 << Comparison::OnlyFirst;
        QTest::newRow("only in the second") << 4 << Comparison::OnlySecond;
        QTest::newRow("no value in one") << 5 << Comparison::Unreadable;
    }
    void compare() {
        QFETCH(int, number);
        ParameterSet first, second;
        first.entries = {{1, {7, {}}}, {2, {7, {}}}, {3, {7, {}}}, {5, {std::nullopt, "no reply"}}};
        second.entries = {{1, {7, {}}}, {2, {8, {}}}, {4, {7, {}}}, {5, {7, {}}}};
        const std::vector<drive::ComparedParameter> rows = drive::Compare(first, second);
        QCOMPARE(rows.size(), std::size_t(5));
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [number](const auto& r) { return r.number == number; });
        QVERIFY(row != rows.end());
        QTEST(row->state, "state");
    }

    // Drives against one reference, parameter by parameter: each drive's value and state in its
    // own column; a parameter no one holds differently is no difference.
    void severalDrives_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("columns");  // each drive's value and state
        QTest::addColumn<bool>("differs");
        QTest::newRow("alike everywhere") << 1 << "7= 7= 7=" << false;
        QTest::newRow("one drive set otherwise") << 2 << "7= 9≠ 7=" << true;
        QTest::newRow("one drive without a value") << 3 << "7= —? 7=" << true;
        QTest::newRow("not in the reference") << 4 << "—= 5+ —=" << true;
    }
    void severalDrives() {
        QFETCH(int, number);
        ParameterSet reference, one, two, three;
        reference.entries = {{1, {7, {}}}, {2, {7, {}}}, {3, {7, {}}}};
        one.entries = {{1, {7, {}}}, {2, {7, {}}}, {3, {7, {}}}};
        two.entries = {{1, {7, {}}}, {2, {9, {}}}, {3, {std::nullopt, "no reply"}}, {4, {5, {}}}};
        three = one;
        const std::vector<drive::ComparedRow> rows =
            drive::CompareSeveral(reference, {one, two, three});
        QCOMPARE(rows.size(), std::size_t(4));
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [number](const auto& r) { return r.number == number; });
        QVERIFY(row != rows.end());
        const std::map<Comparison, QString> marks = {{Comparison::Equal, "="},
                                                     {Comparison::Different, "≠"},
                                                     {Comparison::OnlyFirst, "+"},
                                                     {Comparison::OnlySecond, "-"},
                                                     {Comparison::Unreadable, "?"}};
        QStringList shown;
        for (std::size_t d = 0; d < 3; ++d)
            shown << (row->values[d] ? QString::number(*row->values[d]) : QStringLiteral("—")) +
                         marks.at(row->states[d]);
        QTEST(shown.join(' '), "columns");
        QTEST(row->differs(), "differs");
    }

    void addressList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("addresses");  // empty: refused
        QTest::newRow("a range") << "1-3" << QList<int>{1, 2, 3};
        QTest::newRow("single ones and a range, each once") << "5,1-2,2" << QList<int>{5, 1, 2};
        QTest::newRow("the highest") << "247" << QList<int>{247};
        QTest::newRow("broadcast") << "0-3" << QList<int>{};
        QTest::newRow("past 247") << "240-248" << QList<int>{};
        QTest::newRow("backwards") << "5-1" << QList<int>{};
        QTest::newRow("open end") << "3-" << QList<int>{};
        QTest::newRow("nothing") << "," << QList<int>{};
    }
    void addressList() {
        QFETCH(QString, text);
        QFETCH(QList<int>, addresses);
        QString error;
        const auto parsed = drive::ParseAddressList(text, &error);
        QCOMPARE(parsed ? QList<int>(parsed->begin(), parsed->end()) : QList<int>(), addresses);
        QCOMPARE(error.isEmpty(), !addresses.isEmpty());
    }

    // 512 goes out as 02 00, the bytes of 2; 256 * n + m and values up to 255 do not.
    void ambiguousWrites() {
        for (int value : {256, 512, 65280}) QVERIFY(drive::WriteIsAmbiguous(quint16(value)));
        for (int value : {0, 2, 255, 257, 1500}) QVERIFY(!drive::WriteIsAmbiguous(quint16(value)));
    }
};

QTEST_APPLESS_MAIN(TestParameterSet)
#include "tst_parameter_set.moc"
