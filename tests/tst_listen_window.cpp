// The listening window on a scripted port: another master's frames shown live with their
// statistics, filtered, paused, saved; presses refused while it listens; closing it ends it.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "fake_serial_port.h"
#include "listen/settings_search.h"
#include "serial/port_settings.h"
#include "window/listen/listen_window.h"
#include "window/main/main_window.h"

namespace {

constexpr int kRtu = 3;

// Another master's traffic on a port that garbles it unless it is set as the bus is: every
// 40 ms a request and its reply in the framing of `format`, whose bytes a wrong setting flips.
struct Bus {
    FakeSerialPort& port;
    QString settings;
    frame::Framing framing;
    QTimer timer;
    Bus(FakeSerialPort& p, int baud, int format) : port(p) {
        settings = serial::SettingsText(baud, format);
        framing = serial::IsAsciiFormat(format) ? frame::Framing::Ascii : frame::Framing::Rtu;
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const QByteArray request = framing == frame::Framing::Rtu
                                           ? QByteArray::fromHex("010401018049")
                                           : QByteArray(":01040101F9\r\n");
            QByteArray heard = request;
            if (port.settings() != settings)
                for (char& byte : heard) byte = char(byte ^ 0x5A);
            port.arrive(heard);
        });
        timer.start(40);
    }
};

struct Harness {
    FakeSerialPort port;
    MainWindow window{port, {"/dev/ttyUSB0", "", "", ""}};
    ListenWindow* listen = nullptr;
    explicit Harness(bool start = true) {
        window.load();
        window.formatGroup->button(kRtu)->click();
        port.written.clear();
        listen = window.openListen();
        if (start) listen->startButton->click();
    }
    // A request of address `address` for output frequency, and its reply `ms` later.
    void exchange(int address, int ms) {
        const QByteArray request = address == 1 ? QByteArray::fromHex("010401018049")
                                                : QByteArray::fromHex("02040101800D");
        const QByteArray reply = address == 1 ? QByteArray::fromHex("0104030112C56D7D")
                                              : QByteArray::fromHex("0204030112C56D4E");
        port.arrive(request);
        QTest::qWait(ms);
        port.arrive(reply);
        QTest::qWait(20);
    }
};

}  // namespace

class TestListenWindow : public QObject {
    Q_OBJECT
  private slots:
    void framesShownWithTheirStatistics() {
        Harness h;
        QVERIFY(h.window.listening());
        h.exchange(1, 10);
        h.exchange(2, 10);
        h.exchange(1, 10);
        QTRY_COMPARE(h.listen->model->rowCount(), 6);
        QCOMPARE(h.listen->model->index(1, int(ListenColumn::Meaning)).data().toString(),
                 QString::fromUtf8("输出频率 = 048.05 Hz"));
        QTRY_COMPARE(h.listen->statisticsTable->rowCount(), 2);
        QCOMPARE(h.listen->statisticsTable->item(0, 1)->text(), QStringLiteral("2"));  // requests
        QCOMPARE(h.listen->statisticsTable->item(1, 2)->text(), QStringLiteral("1"));  // replies
        // Filtered to address 2; then paused, the table waits while the frames still count.
        h.listen->addressFilter->setText(QStringLiteral("2"));
        QCOMPARE(h.listen->filter->rowCount(), 2);
        h.listen->addressFilter->clear();
        h.listen->pauseBox->setChecked(true);
        h.exchange(2, 10);
        QTest::qWait(100);
        QCOMPARE(h.listen->model->rowCount(), 6);
        h.listen->pauseBox->setChecked(false);
        QCOMPARE(h.listen->model->rowCount(), 8);
        // Saved as CSV: the header and a row a frame.
        QTemporaryDir dir;
        QString error;
        QVERIFY2(h.listen->saveAs(dir.filePath("bus.csv"), false, &error), qPrintable(error));
        QFile file(dir.filePath("bus.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 9);
        QVERIFY(h.listen->frameDetails(1).contains(QStringLiteral("01 04 03 01 12 C5 6D 7D")));
    }

    // While listening a press goes nowhere and says why; the port and format buttons keep the
    // line as heard. Closing the window ends listening, and presses go out again.
    void pressesRefusedUntilTheWindowCloses() {
        Harness h;
        h.window.readingButtons[1]->click();
        QTRY_VERIFY(h.window.logLines[2]->toolTip().contains(QStringLiteral("总线监听")));
        QVERIFY(h.port.written.isEmpty());
        QVERIFY(!h.window.baudGroup->button(0)->isEnabled());
        h.listen->close();
        QVERIFY(!h.window.listening());
        QVERIFY(h.window.baudGroup->button(0)->isEnabled());
        h.window.readingButtons[1]->click();
        QTRY_COMPARE(h.port.written, QByteArray::fromHex("010401018049"));
    }

    // "自动" listens at each setting until one makes whole frames, and selects it.
    void autoFindsTheSetting_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("found");  // the format found; -1: none
        QTest::newRow("RTU 8,O,1 at 19200") << 2 << 5 << 5;
        QTest::newRow("nothing but garbage") << -1 << -1 << -1;
    }
    void autoFindsTheSetting() {
        QFETCH(int, baud);
        QFETCH(int, format);
        QFETCH(int, found);
        FakeSerialPort port;
        listen::BusListener listener(port);
        port.setArrivalHandler([&] { listener.onArrival(); });
        port.open();
        listen::SettingsSearch search(port, listener);
        QObject::connect(&listener, &listen::BusListener::framesHeard, &search,
                         &listen::SettingsSearch::tally);
        std::optional<std::pair<int, int>> result;
        QObject::connect(&search, &listen::SettingsSearch::finished, [&](int b, int f) {
            result = {b, f};
        });
        Bus bus(port, std::max(baud, 0), std::max(format, 0));
        if (baud < 0) bus.settings = QStringLiteral("none");
        search.start(std::chrono::milliseconds(300), 3);  // room for a busy machine
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
        QCOMPARE(result->second, found);
        if (found >= 0) QCOMPARE(result->first, baud);
    }

    // In the window: ticked, the search selects the buttons and the frames then follow.
    void autoSelectsTheButtons() {
        Harness h(false);
        Bus bus(h.port, 1, 0);  // ASCII 8,N,1 at 9600, the second setting tried
        h.listen->autoBox->setChecked(true);
        h.listen->startButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(h.window.formatGroup->button(0)->isChecked(), 5000);
        QVERIFY(h.window.baudGroup->button(1)->isChecked());
        QTRY_VERIFY(h.listen->model->rowCount() >= 2);
        QCOMPARE(h.listen->model->rowAt(0).frame.frame.shape, listen::FrameShape::Whole);
    }
};

QTEST_MAIN(TestListenWindow)
#include "tst_listen_window.moc"
