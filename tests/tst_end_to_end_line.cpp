// The whole path under a troubled line: the window offscreen on a real pseudo-terminal, the
// simulated drive at the far end playing a missing, late, split, corrupted or overlong reply,
// and timed sending keeping the line busy. The drive runs on a stepped clock.
#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include "drive_rig.h"

Q_DECLARE_METATYPE(sim::Injection)

namespace {

const int kOutput = sim::kItemOutputFrequency;
const QString kNoResponse = QString::fromUtf8("无回应");

QString HertzShown(int hundredths) {
    return QString::asprintf("%06.2f Hz", hundredths / 100.0);
}

// The monitor reply of drive address 1 as it starts on the line, and its whole length.
QByteArray ReplyStart(int format, int item, int value) {
    QByteArray body = QByteArray::fromHex("010403");
    body += char(item);
    body += char((value >> 8) & 0xFF);
    body += char(value & 0xFF);
    return format == kRtu ? body : ":" + body.toHex().toUpper();
}
int ReplyLength(int format) {
    return format == kRtu ? 6 + 2 : 1 + 2 * 7 + 2;  // CRC; or hex digits with LRC, CR LF
}

// Running part-way up the ramp, so readings are neither zero nor the set frequency.
struct Rig : DriveRig {
    explicit Rig(int format) : DriveRig(format) {
        drive.updateModel([](sim::DriveModel& model) {
            model.setFrequency(4000);
            model.start();
        });
        drive.advance(1000);
    }

    QString readOutput() {
        window->Command27->click();
        return window->resultBoxes[kOutput]->text();
    }
    QString modelOutput() const { return HertzShown(drive.model().monitor(kOutput)); }
};

}  // namespace

class TestEndToEndLine : public QObject {
    Q_OBJECT
  private slots:
    // Every reading overwrites its box with the missing-reply text; the other boxes keep theirs,
    // and the log shows an empty received frame.
    void silenceShowsNoResponse_data() { AddFramingRows(); }
    void silenceShowsNoResponse() {
        QFETCH(int, format);
        Rig rig(format);
        QVERIFY(rig.ready());
        const QString before = rig.readOutput();
        QCOMPARE(before, rig.modelOutput());
        rig.window->Command48->click();
        QCOMPARE(rig.window->resultBoxes[sim::kItemFaultCode]->text(), QStringLiteral("NO ERROR"));

        rig.drive.setInjection(sim::Injection::NoReply);
        rig.window->Command26->click();
        QCOMPARE(rig.window->resultBoxes[sim::kItemSetFrequency]->text(), kNoResponse);
        QVERIFY(rig.window->Text13->text().endsWith(QStringLiteral("RXD:  (  )")));
        QCOMPARE(rig.window->resultBoxes[kOutput]->text(), before);
        rig.window->Command48->click();
        QCOMPARE(rig.window->resultBoxes[sim::kItemFaultCode]->text(), kNoResponse);
        rig.window->Text7->setText(QStringLiteral("1"));
        rig.window->Command22->click();
        QCOMPARE(rig.window->Text23->text(), kNoResponse);
        QCOMPARE(rig.drive.requestsSeen(), 5);  // the drive heard them all

        rig.drive.setInjection(sim::Injection::None);
        QCOMPARE(rig.readOutput(), rig.modelOutput());
    }

    // A reply after the receive window is left pending and heads the next exchange's grid, so
    // the next reading decodes it, the older value, and the line is clean after that.
    void lateReplyIsCollectedByTheNextExchange_data() { AddFramingRows(); }
    void lateReplyIsCollectedByTheNextExchange() {
        QFETCH(int, format);
        Rig rig(format);
        QVERIFY(rig.ready());
        const int late = rig.drive.model().monitor(kOutput);
        rig.drive.setInjection(sim::Injection::LateReply);
        QCOMPARE(rig.readOutput(), kNoResponse);
        QVERIFY(rig.received().isEmpty());
        QCOMPARE(rig.drive.requestsSeen(), 1);
        rig.drive.setInjection(sim::Injection::None);
        QTRY_VERIFY_WITH_TIMEOUT(rig.port->pendingInputCount() > 0, 2000);

        rig.drive.advance(1000);
        const int fresh = rig.drive.model().monitor(kOutput);
        QVERIFY(fresh != late);
        QCOMPARE(rig.readOutput(), HertzShown(late));
        const QByteArray grid = rig.received();
        QCOMPARE(grid.size(), 2 * ReplyLength(format));
        QVERIFY2(grid.startsWith(ReplyStart(format, kOutput, late)), grid.toHex(' '));
        QVERIFY2(grid.mid(ReplyLength(format)).startsWith(ReplyStart(format, kOutput, fresh)),
                 grid.toHex(' '));

        QCOMPARE(rig.readOutput(), HertzShown(fresh));
        QCOMPARE(rig.received().size(), ReplyLength(format));
    }

    void disturbedRepliesStillDecode_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<sim::Injection>("injection");
        QTest::addColumn<int>("gridSize");
        QTest::newRow("RTU split") << kRtu << sim::Injection::SplitReply << ReplyLength(kRtu);
        QTest::newRow("ASCII split") << kAscii << sim::Injection::SplitReply << ReplyLength(kAscii);
        // The decoding does not check the CRC or LRC.
        QTest::newRow("RTU bad check") << kRtu << sim::Injection::BadCheck << ReplyLength(kRtu);
        QTest::newRow("ASCII bad check")
            << kAscii << sim::Injection::BadCheck << ReplyLength(kAscii);
        // Only 64 bytes fit the grid; the rest must not spill into the next exchange.
        QTest::newRow("RTU oversize") << kRtu << sim::Injection::Oversize << kCellCount;
        QTest::newRow("ASCII oversize") << kAscii << sim::Injection::Oversize << kCellCount;
    }
    void disturbedRepliesStillDecode() {
        QFETCH(int, format);
        QFETCH(sim::Injection, injection);
        Rig rig(format);
        QVERIFY(rig.ready());
        rig.drive.setInjection(injection);
        QCOMPARE(rig.readOutput(), rig.modelOutput());
        QTEST(int(rig.received().size()), "gridSize");

        rig.drive.setInjection(sim::Injection::None);
        rig.drive.advance(500);
        QCOMPARE(rig.readOutput(), rig.modelOutput());
        const QByteArray grid = rig.received();
        QCOMPARE(grid.size(), ReplyLength(format));
        QVERIFY(grid.startsWith(ReplyStart(format, kOutput, rig.drive.model().monitor(kOutput))));
    }

    // At the shortest interval every tick sends the composed request and its reply is logged
    // under the same counter, the counter rising by one per exchange.
    void timedModeKeepsTheLogFilling_data() { AddFramingRows(); }
    void timedModeKeepsTheLogFilling() {
        QFETCH(int, format);
        Rig rig(format);
        QVERIFY(rig.ready());
        QCOMPARE(rig.readOutput(), rig.modelOutput());  // composes the request the ticks send
        const int firstCounter = rig.window->Cnt;
        const int seenBefore = rig.drive.requestsSeen();
        QStringList lines;
        QObject::connect(rig.window->Text13, &QLineEdit::textChanged,
                         [&](const QString& line) { lines.append(line); });

        rig.window->Text9->setText(QStringLiteral("50"));
        rig.window->Check3->click();
        QVERIFY(rig.window->Check3->isChecked());
        QTest::qWait(700);
        rig.window->Check3->click();
        QTRY_VERIFY(!rig.window->Timer1->isActive());

        const QRegularExpression logLine(
            QStringLiteral("^\\[(\\d{5})\\] (TXD|RXD):  \\( (.*) \\)$"),
            QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(lines.size() >= 2 * 5, qPrintable(lines.join('\n')));
        QCOMPARE(lines.size() % 2, 0);
        for (int i = 0; i < lines.size(); ++i) {
            const QRegularExpressionMatch match = logLine.match(lines[i]);
            QVERIFY2(match.hasMatch(), qPrintable(lines[i]));
            QCOMPARE(match.captured(1).toInt(), firstCounter + i / 2);
            QCOMPARE(match.captured(2), i % 2 == 0 ? QStringLiteral("TXD") : QStringLiteral("RXD"));
            QVERIFY2(!match.captured(3).isEmpty(), qPrintable(lines[i]));
            if (format == kAscii) {
                const char* expected = i % 2 == 0 ? ":01040101F9" : ":01040301";
                QVERIFY2(match.captured(3).startsWith(QLatin1String(expected)),
                         qPrintable(lines[i]));
            }
        }
        QCOMPARE(rig.window->Cnt, firstCounter + int(lines.size()) / 2);
        QCOMPARE(rig.drive.requestsSeen(), seenBefore + int(lines.size()) / 2);
    }
};

QTEST_MAIN(TestEndToEndLine)
#include "tst_end_to_end_line.moc"
