// The exchange history: the bounded ring, the table over it, the filter, and its files.
#include <time.h>
#include <unistd.h>
#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QtTest>

#include "exchange/samples.h"

#include "exchange/history.h"
#include "exchange/history_file.h"
#include "exchange/history_format.h"
#include "window/history/history_model.h"

using exchange::Direction;
using exchange::ExchangeRecord;
using exchange::Verdict;

namespace {

ExchangeRecord Record(int counter, Direction direction, const QByteArray& bytes,
                      std::optional<Verdict> verdict = std::nullopt, const QString& detail = {}) {
    ExchangeRecord r;
    r.exchangeId = quint64(counter) + 1;
    r.timeMs = 1796630400000LL + counter * 50;  // 2026-12-07, 50 ms apart
    r.counter = counter;
    r.direction = direction;
    r.bytes = bytes;
    r.verdict = verdict;
    r.detail = detail;
    return r;
}

// A CSV reader of the test's own: RFC 4180 fields, quotes doubled inside quoted fields.
QList<QStringList> ReadCsv(const QString& text) {
    static const QRegularExpression field(QStringLiteral(R"(("(?:[^"]|"")*"|[^,"\r\n]*)(,|\r\n))"));
    QList<QStringList> rows{{}};
    for (const QRegularExpressionMatch& match : field.globalMatch(text)) {
        QString value = match.captured(1);
        if (value.startsWith(u'"')) value = value.mid(1, value.size() - 2).replace("\"\"", "\"");
        rows.last() << value;
        if (match.captured(2) != u",") rows << QStringList();
    }
    rows.removeLast();
    return rows;
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT
  private slots:
    // Times in the files are local; the expected texts are in UTC.
    void initTestCase() {
        qputenv("TZ", "UTC");
        tzset();
    }

    // The ring keeps the newest records and counts the rest; a reply's verdict reaches its request.
    void ringKeepsTheNewest() {
        exchange::History history(3);
        for (int i = 0; i < 5; ++i) history.append(Record(i, Direction::Sent, "A"));
        QCOMPARE(int(history.size()), 3);
        QCOMPARE(history.droppedCount(), quint64(2));
        QCOMPARE(history.at(0).counter, 2);
        QCOMPARE(history.at(2).counter, 4);
        history.append(Record(4, Direction::Received, "B", Verdict::CheckError));
        QCOMPARE(history.at(1).verdict, std::optional<Verdict>(Verdict::CheckError));
        QVERIFY(!history.at(0).verdict);
        exchange::ExchangeRecord reply = Record(5, Direction::Received, "C");
        reply.bytes.reserve(16384);  // a reply that shares a whole read buffer is kept small
        history.append(reply);
        QVERIFY(history.at(2).bytes.capacity() < 1024);
    }

    // The table follows the ring in batches, in order, also when the ring drops its oldest.
    void tableFollowsInBatches() {
        exchange::History history(10);
        HistoryModel model(history);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        history.append(Record(0, Direction::Sent, "A"));
        QCOMPARE(model.rowCount(), 0);  // not shown, so not followed
        model.setLive(true);
        QCOMPARE(model.rowCount(), 1);
        for (int i = 1; i < 14; ++i) history.append(Record(i, Direction::Sent, "A"));
        QCOMPARE(model.rowCount(), 1);  // the batch comes later
        QTRY_COMPARE(model.rowCount(), 10);
        for (int row = 0; row < 10; ++row) QCOMPARE(model.record(row).counter, 4 + row);
    }

    void filter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("problemsOnly");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("hex bytes") << "04 01" << false << QList<int>{0};
        QTest::newRow("hex on byte bounds only") << "40 10" << false << QList<int>{};
        QTest::newRow("characters") << ":01" << false << QList<int>{2, 3};
        QTest::newRow("verdict in Chinese") << "校验" << false << QList<int>{1};
        QTest::newRow("verdict in English") << "Check Error" << false << QList<int>{1};
        QTest::newRow("only problems") << "" << true << QList<int>{1, 3};
        QTest::newRow("problems with hex") << "c5" << true << QList<int>{1};
    }
    void filter() {
        QFETCH(QString, text);
        QFETCH(bool, problemsOnly);
        const ExchangeRecord records[] = {
            Record(0, Direction::Sent, QByteArray::fromHex("0104010180 49")),
            Record(0, Direction::Received, QByteArray::fromHex("0104030112C56D00"),
                   Verdict::CheckError),
            Record(1, Direction::Sent, ":010401"),
            Record(1, Direction::NotSent, ":010401"),
        };
        QList<int> matched;
        for (int i = 0; i < 4; ++i)
            if (exchange::Matches(records[i], text, problemsOnly)) matched << i;
        QTEST(matched, "rows");
    }

    // A saved CSV reads back field by field, commas, quotes, line breaks and byte 00 included.
    // Its Chinese headers and words come from the catalogue tst_translations checks.
    void csvRoundTrip() {
        const QList<ExchangeRecord> records = {
            Record(7, Direction::Sent, QByteArray(",\"\0A", 4)),
            Record(7, Direction::Received, QByteArray(), Verdict::NoReply, "nothing arrived"),
            Record(8, Direction::LateReceived, "x,y", Verdict::Late, "line one\r\nline \"two\""),
        };
        QTemporaryDir dir;
        const QString path = dir.filePath("history.csv");
        QString error;
        QVERIFY(exchange::SaveHistory(
            path, exchange::HistoryFormat::Csv, records.size(),
            [&](qsizetype i) -> const ExchangeRecord& { return records[i]; }, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));  // spreadsheets read the headers as UTF-8
        const QList<QStringList> rows = ReadCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].join('|'), QStringLiteral("time|number|direction|bytes|hex|characters|"
                                                   "verdict|first byte ms|last byte ms|note"));
        QCOMPARE(rows[1].join('|'),
                 QStringLiteral("2026-12-07 08:00:00.350|00007|TXD|4|2C 22 00 41|,\"␀A|—|||"));
        QCOMPARE(
            rows[2].join('|'),
            QStringLiteral("2026-12-07 08:00:00.350|00007|RXD|0|||no reply|||nothing arrived"));
        QCOMPARE(rows[3].join('|'), QStringLiteral("2026-12-07 08:00:00.400|00008|late RXD|3|"
                                                   "78 2C 79|x,y|late|||line one\r\nline \"two\""));
    }

    // A save that cannot be written leaves no file, not even the half-written one, and says why.
    void failedSaveLeavesNoFile_data() {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only folder") << true << "no permission to write in the folder";
        QTest::newRow("a folder stands at the path") << false << "it is a folder";
    }
    void failedSaveLeavesNoFile() {
        QFETCH(bool, readOnlyFolder);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("history.csv");
        if (readOnlyFolder && ::geteuid() == 0) QSKIP("root writes into read-only folders");
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        else
            QVERIFY(QDir(dir.path()).mkdir("history.csv"));
        const ExchangeRecord record = Record(0, Direction::Sent, "A");
        QString error;
        QVERIFY(!exchange::SaveHistory(
            path, exchange::HistoryFormat::Csv, 1,
            [&](qsizetype) -> const ExchangeRecord& { return record; }, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFileInfo(path).isFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Names Windows gives to its devices cannot be files there, whatever their extension.
    void windowsDeviceNames_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("device");
        QTest::newRow("port with extension") << "C:/logs/COM1.csv" << true;
        QTest::newRow("lower case") << "com9.txt" << true;
        QTest::newRow("two extensions") << "aux.tar.gz" << true;
        QTest::newRow("bare") << "NUL" << true;
        QTest::newRow("printer") << "lpt3.csv" << true;
        QTest::newRow("COM10 is a file") << "COM10.csv" << false;
        QTest::newRow("COM0 is a file") << "COM0.csv" << false;
        QTest::newRow("longer word") << "console.csv" << false;
        QTest::newRow("device name in the folder") << "C:/COM1/history.csv" << false;
    }
    void windowsDeviceNames() {
        QFETCH(QString, path);
        QTEST(exchange::IsWindowsDeviceName(path), "device");
    }

    // The plain text keeps the log's own line, with the time in front.
    void textLine() {
        const ExchangeRecord late =
            Record(3, Direction::LateReceived, QByteArray("\0A", 2), Verdict::Late);
        QVERIFY(exchange::TextLine(late).endsWith(QString::fromUtf8(" [00003] RXD:  ( ␀A )")));
    }

    // Recording appends to an existing file without a second header, each run after its own
    // row; a row the run before left half written does not swallow the next.
    void recordFileAppends() {
        QTemporaryDir dir;
        const QString path = dir.filePath("record.csv");
        for (int run = 0; run < 2; ++run) {
            exchange::AppendFile file;
            QString error;
            QVERIFY2(file.open(path, exchange::RecordHeader(), &error), qPrintable(error));
            file.writeRow(exchange::SessionCsvRow(Record(run, Direction::Sent, "A").timeMs,
                                                  QStringLiteral("run %1, COM1").arg(run)));
            file.writeRow(exchange::CsvRow(Record(run, Direction::Sent, "A")));
            file.writeRow(QStringLiteral("2026-12-07 08:00:00.350,00002,TX"));  // then killed
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(rows.size(), 7);
        QVERIFY(
            rows[0].endsWith(QStringLiteral("time,number,direction,bytes,hex,characters,"
                                            "verdict,first byte ms,last byte ms,note")));
        QCOMPARE(rows[1], QStringLiteral("2026-12-07 08:00:00.000,,new run,,,,,,,\"run 0, COM1\""));
        QVERIFY(rows[2].endsWith(QStringLiteral(",00000,TXD,1,41,A,—,,,")));
        QCOMPARE(rows[3], QStringLiteral("2026-12-07 08:00:00.350,00002,TX"));
        QCOMPARE(rows[4], QStringLiteral("2026-12-07 08:00:00.050,,new run,,,,,,,\"run 1, COM1\""));
        QVERIFY(rows[5].endsWith(QStringLiteral(",00001,TXD,1,41,A,—,,,")));
        QCOMPARE(rows[6], QStringLiteral("2026-12-07 08:00:00.350,00002,TX"));

        // A file of other columns (an older program's samples) is not appended to.
        exchange::AppendFile samples;
        QString error;
        QVERIFY(!samples.open(path, exchange::SampleCsvHeader().toUtf8(), &error));
        QVERIFY2(error.contains("record.csv"), qPrintable(error));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
