// Frames typed by hand, or built by the standard request builder, to a standard Modbus slave over
// a real pseudo-terminal: the slave is scripted here, answering each whole request it hears with
// the reply the table gives; the window judges a typed frame's reply as the send cells' context
// menu says.
#include <unistd.h>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QtTest>

#include "bytes.h"
#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "window/history/history_window.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

// Answers `reply` once it has heard `request` whole.
class ScriptedSlave {
  public:
    ScriptedSlave(TestLine& line, QByteArray request, QByteArray reply)
        : line_(line),
          request_(std::move(request)),
          reply_(std::move(reply)),
          notifier_(line.descriptor(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] {
            char buffer[256];
            const ssize_t n = ::read(line_.descriptor(), buffer, sizeof buffer);
            if (n > 0) heard_.append(buffer, int(n));
            if (heard_.endsWith(request_)) {
                heard_.clear();
                line_.write(reply_);
            }
        });
    }

  private:
    TestLine& line_;
    QByteArray request_;
    QByteArray reply_;
    QByteArray heard_;
    QSocketNotifier notifier_;
};

}  // namespace

class TestStandardSlave : public QObject {
    Q_OBJECT
  private slots:
    void typedFramesReadAsChosen_data() {
        QTest::addColumn<int>("judging");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("tooltip");  // the start of the RXD line's tooltip
        const int automatic = int(exchange::Judging::Auto);
        const int drive = int(exchange::Judging::Drive);
        // clang-format off
        QTest::newRow("03 at 0x0300, automatic") << automatic << Hex("010303000002C44F") << Hex("01030412340000BE85") << "正常: registers 0300: 4660 = +4660 = 1234h; 0301: 0 = +0 = 0000h; read as standard Modbus";
        QTest::newRow("03 at 0x0300, as the drive's") << drive << Hex("010303000002C44F") << Hex("01030412340000BE85") << "回应不符: received 01 03 04";
        QTest::newRow("built, as the drive's") << drive << Hex("010303000002C44F") << Hex("01030412340000BE85") << "正常: registers 0300: 4660 = +4660 = 1234h";
        // clang-format on
    }
    void typedFramesReadAsChosen() {
        QFETCH(int, judging);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        TestLine line;
        ScriptedSlave slave(line, request, reply);
        serial::QtSerialPort port(MapTo(line.slavePath()));
        MainWindow window(port, {line.slavePath(), "", "", ""});
        window.load();
        window.formatGroup->button(3)->click();  // RTU 8,N,1
        QVERIFY(port.isOpen());
        window.setJudging(exchange::Judging(judging));
        if (QTest::currentDataTag() == QLatin1String("built, as the drive's")) {
            // A request from the standard builder goes out as composed, read as standard Modbus
            // whatever the menu's choice; refused fields say why and leave the cells alone.
            QCOMPARE(window.composeStandardRequest({"1", 0x03, "0x0300", "2"}), QString());
            QVERIFY(window.composeStandardRequest({"1", 0x03, "0", "126"}).contains("125"));
        } else {
            for (int i = 0; i < kCellCount; ++i)
                window.byteCells[i]->setText(i < request.size()
                                                 ? QString::number(quint8(request[i]), 16).toUpper()
                                                 : QString());
        }
        const int counter = window.exchangeCore().history().size();
        window.sendFrame();
        QVERIFY(QTest::qWaitFor(
            [&] { return window.exchangeCore().history().size() >= std::size_t(counter + 2); },
            3000));
        QVERIFY(QTest::qWaitFor([&] { return !window.logLines[2]->toolTip().isEmpty(); }, 1000));
        QFETCH(QString, tooltip);
        QVERIFY2(window.logLines[2]->toolTip().startsWith(tooltip),
                 qPrintable(window.logLines[2]->toolTip()));
        // The history names the reading in its title.
        HistoryWindow* history = window.openHistory();
        QVERIFY(history->windowTitle().contains(exchange::JudgingName(exchange::Judging(judging))));
        history->close();
    }
};

QTEST_MAIN(TestStandardSlave)
#include "tst_standard_slave.moc"
