// The parameter jobs against the simulated drive on a pseudo-terminal with wire timing: what is
// read is the drive's, a bad reply is retried and never valued, and a write counts only once
// its read-back shows it.
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "jobs/parameter_jobs.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "sim/drive_server.h"

Q_DECLARE_METATYPE(jobs::WriteOutcome)

namespace {

struct Rig {
    sim::DriveServer drive{5};
    bool started = false;
    std::unique_ptr<serial::QtSerialPort> port;
    std::unique_ptr<exchange::ExchangeCore> core;
    std::unique_ptr<jobs::JobRunner> runner;
    jobs::ParameterJobOptions options;

    Rig() {
        drive.setSteppedClock(true);
        QString path, error;
        started = drive.startPseudoTerminal(&path, &error);
        port = std::make_unique<serial::QtSerialPort>(MapTo(path));
        port->setPortNumber(1);
        port->setSettings(QStringLiteral("38400,n,8,1"));
        started = started && port->open();
        core = std::make_unique<exchange::ExchangeCore>(*port);
        core->setLine({38400, serial::Parity::None, 8, 1}, frame::Framing::Rtu);
        // Room for a busy machine: a reply that misses its window would be asked again, and the
        // counts of requests below would be one more. A stall of 300 ms happened with six
        // of these tests side by side and a build.
        core->setReplyTimeout(std::chrono::milliseconds(1000));
        runner = std::make_unique<jobs::JobRunner>(*core);
        options.address = 5;
    }
    bool run(jobs::Job& job) {
        QSignalSpy finished(runner.get(), &jobs::JobRunner::finished);
        return runner->start(&job) && finished.wait(30000);
    }
};

}  // namespace

class TestParameterJobs : public QObject {
    Q_OBJECT
  private slots:
    // Every parameter 0..250 as the drive holds it, the two-byte values included.
    void fullReadMatchesTheDrive() {
        Rig rig;
        QVERIFY(rig.started);
        rig.drive.updateModel([](sim::DriveModel& m) { m.setParameter(77, 0xBEEF); });
        int spoiled = 0;  // by a stalled machine: asked again, the only extra requests
        QObject::connect(rig.core.get(), &exchange::ExchangeCore::recordAdded,
                         [&](const exchange::ExchangeRecord& record) {
                             spoiled +=
                                 record.verdict && *record.verdict != exchange::Verdict::Good;
                         });
        jobs::ParameterRead read(rig.options, 0, 250);
        QVERIFY(rig.run(read));
        QCOMPARE(read.set().entries.size(), std::size_t(251));
        const sim::DriveModel model = rig.drive.model();
        for (const auto& [number, entry] : read.set().entries)
            QCOMPARE(entry.value, std::optional<quint16>(quint16(model.parameter(number))));
        QCOMPARE(read.set().entries.at(77).value, std::optional<quint16>(0xBEEF));
        QCOMPARE(rig.drive.requestsSeen(), 251 + spoiled);
    }

    void badRepliesAreRetried_data() {
        QTest::addColumn<bool>("persistent");
        QTest::newRow("one spoiled check, then a good reply") << false;
        QTest::newRow("every reply spoiled") << true;
    }
    // A reply with a spoiled check is asked again; one that stays spoiled is marked with its
    // verdict after the retries and gets no value.
    void badRepliesAreRetried() {
        QFETCH(bool, persistent);
        Rig rig;
        QVERIFY(rig.started);
        rig.drive.setInjection(sim::Injection::BadCheck);
        if (!persistent)
            QObject::connect(rig.core.get(), &exchange::ExchangeCore::exchangeFinished,
                             [&rig] { rig.drive.setInjection(sim::Injection::None); });
        jobs::ParameterRead read(rig.options, 3, 3);
        QVERIFY(rig.run(read));
        const drive::ParameterEntry& entry = read.set().entries.at(3);
        QCOMPARE(entry.value.has_value(), !persistent);
        QCOMPARE(rig.drive.requestsSeen(), persistent ? 3 : 2);  // retries: 2
        if (persistent)
            QCOMPARE(entry.verdict, exchange::VerdictFileWord(exchange::Verdict::CheckError));
    }

    // A stop mid-read keeps what was read.
    void stoppedReadKeepsItsRows() {
        Rig rig;
        QVERIFY(rig.started);
        jobs::ParameterRead read(rig.options, 0, 250);
        QSignalSpy finished(rig.runner.get(), &jobs::JobRunner::finished);
        QVERIFY(rig.runner->start(&read));
        QVERIFY(QTest::qWaitFor([&] { return read.stepsDone() >= 10; }, 5000));
        rig.runner->stop();
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        QVERIFY(read.set().entries.size() >= 10 && read.set().entries.size() < 251);
        for (const auto& [number, entry] : read.set().entries)
            QCOMPARE(entry.value, std::optional<quint16>(rig.drive.model().parameter(number)));
    }

    void writeIsReadBack_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("running");
        QTest::addColumn<jobs::WriteOutcome>("outcome");
        QTest::addColumn<int>("readBack");
        QTest::newRow("two bytes") << 12 << 1500 << false << jobs::WriteOutcome::Written << 1500;
        QTest::newRow("512 goes out as 02 00")
            << 12 << 512 << false << jobs::WriteOutcome::Mismatch << 2;
        QTest::newRow("read-only") << 245 << 9 << false << jobs::WriteOutcome::Mismatch << 0;
        QTest::newRow("motor data while running")
            << 3 << 90 << true << jobs::WriteOutcome::Mismatch << 85;
    }
    // A write goes out once and counts as written only when its read-back shows the value.
    void writeIsReadBack() {
        QFETCH(int, number);
        QFETCH(int, value);
        QFETCH(bool, running);
        QFETCH(jobs::WriteOutcome, outcome);
        QFETCH(int, readBack);
        Rig rig;
        QVERIFY(rig.started);
        if (running)
            rig.drive.updateModel([](sim::DriveModel& m) {
                m.setFrequency(2000);
                m.start();
            });
        rig.drive.advance(2000);
        jobs::RunningCheck check(rig.options);
        QVERIFY(rig.run(check));
        QCOMPARE(check.outputFrequency().value_or(-1) > 0, running);
        jobs::ParameterWrite write(rig.options, {{number, quint16(value)}, {13, 42}}, true);
        QVERIFY(rig.run(write));
        QCOMPARE(write.results().front().outcome, outcome);
        QCOMPARE(write.results().front().readBack, std::optional<quint16>(readBack));
        // Stopping at a mismatch leaves the rest unwritten.
        QCOMPARE(write.results().size(), outcome == jobs::WriteOutcome::Written ? 2u : 1u);
        QCOMPARE(write.allWritten(), outcome == jobs::WriteOutcome::Written);
        QCOMPARE(rig.drive.requestsSeen(2), int(write.results().size()));  // each write once
    }

    // A stop while a write is on the line reports it as not read back; one still queued behind
    // another exchange is taken back and never goes out.
    void stopDuringAWrite_data() {
        QTest::addColumn<bool>("queued");
        QTest::newRow("the write on the line") << false;
        QTest::newRow("the write still queued") << true;
    }
    void stopDuringAWrite() {
        QFETCH(bool, queued);
        Rig rig;
        QVERIFY(rig.started);
        jobs::ParameterWrite write(rig.options, {{12, 1234}}, true);
        QSignalSpy finished(rig.runner.get(), &jobs::JobRunner::finished);
        if (queued) {
            // A send to nobody holds the line for its reply timeout.
            rig.core->setReplyTimeout(std::chrono::milliseconds(400));
            rig.core->submit(
                {jobs::ParameterReadRequest(9, 1, frame::Framing::Rtu), exchange::Origin::Manual});
            QVERIFY(rig.runner->start(&write));
            QTest::qWait(30);
            rig.runner->stop();
            QCOMPARE(finished.count(), 1);  // at once, not after the capture
            QVERIFY(QTest::qWaitFor([&] { return rig.core->idle(); }, 2000));
            QTest::qWait(100);
            QCOMPARE(rig.drive.requestsSeen(2), 0);
            QVERIFY(write.results().empty());
            return;
        }
        QObject::connect(rig.core.get(), &exchange::ExchangeCore::recordAdded,
                         [&](const exchange::ExchangeRecord& r) {
                             if (r.direction == exchange::Direction::Sent) rig.runner->stop();
                         });
        QVERIFY(rig.runner->start(&write));
        QVERIFY(finished.wait(3000));
        QCOMPARE(rig.drive.requestsSeen(2), 1);
        QCOMPARE(write.results().size(), std::size_t(1));
        QCOMPARE(write.results().front().outcome, jobs::WriteOutcome::NotReadBack);
    }
};

QTEST_GUILESS_MAIN(TestParameterJobs)
#include "tst_parameter_jobs.moc"
