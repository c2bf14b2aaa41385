// The exchange history: the bounded ring, the table over it, the filter, and its files.
#include <unistd.h>
#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QtTest>

#include "exchange/history.h"
#include "exchange/history_file.h"
#include "exchange/history_format.h"
#include "window/history_model.h"

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
    if (direction == Direction::Received && !bytes.isEmpty()) r.firstByteMs = r.lastByteMs = 12;
    return r;
}

// A CSV reader of the test's own: RFC 4180 fields, quotes doubled inside quoted fields.
QList<QStringList> ReadCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT
  private slots:
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
        QCOMPARE(model.index(9, int(exchange::HistoryColumn::Counter)).data().toString(),
                 QStringLiteral("00013"));
    }

    void filter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("problemsOnly");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("everything") << "" << false << QList<int>{0, 1, 2, 3};
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
        QFETCH(QList<int>, rows);
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
        QCOMPARE(matched, rows);
    }

    // A saved CSV reads back field by field, commas, quotes, line breaks and byte 00 included.
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
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = ReadCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(rows.size(), records.size() + 1);
        QCOMPARE(rows[0][4], QStringLiteral("十六进制"));
        for (int r = 0; r < records.size(); ++r) {
            QCOMPARE(rows[r + 1].size(), exchange::kHistoryColumns);
            for (int c = 0; c < exchange::kHistoryColumns; ++c)
                QCOMPARE(rows[r + 1][c],
                         exchange::CellText(records[r], exchange::HistoryColumn(c), true));
        }
        QCOMPARE(rows[1][4], QStringLiteral("2C 22 00 41"));
        QCOMPARE(rows[1][5], QString::fromUtf8(",\"␀A"));
        QCOMPARE(rows[3][2], QStringLiteral("迟到 RXD"));
        QCOMPARE(
            rows[1][0],
            QDateTime::fromMSecsSinceEpoch(records[0].timeMs).toString("yyyy-MM-dd HH:mm:ss.zzz"));
    }

    // A save that cannot be written leaves no file, not even half of one, and says why.
    void failedSaveLeavesNoFile_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("a folder stands at the path") << "folder";
        QTest::newRow("folder missing") << "missing";
    }
    void failedSaveLeavesNoFile() {
        QFETCH(QString, where);
        QTemporaryDir dir;
        QString path = dir.filePath("history.csv");
        if (where == "read-only") {
            if (::geteuid() == 0) QSKIP("root writes into read-only folders");
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        } else if (where == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("history.csv"));
        } else {
            path = dir.filePath("gone/history.csv");
        }
        const ExchangeRecord record = Record(0, Direction::Sent, "A");
        QString error;
        const bool saved = exchange::SaveHistory(
            path, exchange::HistoryFormat::Csv, 1,
            [&](qsizetype) -> const ExchangeRecord& { return record; }, &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo(path).isFile());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The plain text keeps the log's own line, with the time in front.
    void textLine() {
        const ExchangeRecord late =
            Record(3, Direction::LateReceived, QByteArray("\0A", 2), Verdict::Late);
        QVERIFY(exchange::TextLine(late).endsWith(QString::fromUtf8(" [00003] RXD:  ( ␀A )")));
    }

    // Recording appends to an existing file without a second header.
    void recordFileAppends() {
        QTemporaryDir dir;
        const QString path = dir.filePath("record.csv");
        for (int run = 0; run < 2; ++run) {
            exchange::AppendFile file;
            QString error;
            QVERIFY2(file.open(path, exchange::RecordHeader(), &error), qPrintable(error));
            file.writeRow(exchange::CsvRow(Record(run, Direction::Sent, "A")));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = ReadCsv(QString::fromUtf8(file.readAll().mid(3)));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[2][1], QStringLiteral("00001"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
