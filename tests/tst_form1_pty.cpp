// The window on a real pseudo-terminal through the QSerialPort-backed port: the exact request
// bytes reach the line and the reply shows in the receive grid and the log.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "pty_pair.h"
#include "serial/qt_serial_port.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

struct Harness {
    PtyPair pty;
    serial::QtSerialPort port{MapTo(pty.slavePath())};
    Form1 window{port, {pty.slavePath(), "", "", ""}};
    explicit Harness(int format) {
        window.Form_Load();
        window.Option1->button(format)->click();
    }
    static serial::PortMap MapTo(const QString& device) {
        serial::PortMap map;
        map.devices[0] = device;
        return map;
    }
    void fill(const char* address, const char* command, const char* length, const char* function) {
        window.Text1->setText(QLatin1String(address));
        window.Text2->setText(QLatin1String(command));
        window.Text3->setText(QLatin1String(length));
        window.Text4->setText(QLatin1String(function));
    }
};

}  // namespace

class TestForm1Pty : public QObject {
    Q_OBJECT
  private slots:
    void composedRequestAndReplyCrossTheLine_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("RTU") << 3 << QByteArray::fromHex("01010105918B")
                             << QByteArray::fromHex("0101030501F42C58");
        QTest::newRow("ASCII") << 0 << QByteArray(":01010105F8\r\n")
                               << QByteArray(":0101030501F401\r\n");
    }
    void composedRequestAndReplyCrossTheLine() {
        QFETCH(int, format);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        Harness h(format);
        QVERIFY(h.port.isOpen());
        h.fill("1", "1", "1", "5");
        h.window.Command3_Click();
        h.window.Command2_Click();
        QCOMPARE(h.pty.read(request.size(), 1000), request);
        QVERIFY(h.pty.write(reply));
        QTRY_VERIFY(!h.window.Timer1->isActive());
        for (int i = 0; i < reply.size(); ++i)
            QCOMPARE(h.window.RX[i]->text(),
                     QString::fromLatin1(reply.mid(i, 1).toHex().toUpper()));
        QVERIFY(h.window.RX[reply.size()]->text().isEmpty());
        QVERIFY(h.window.Text13->text().startsWith("[00000] RXD:  ( "));
    }

    void parameterReadOverTheLine() {
        Harness h(3);
        h.window.Text7->setText(QStringLiteral("5"));
        // The far end answers as soon as the request is complete.
        QTimer answer;
        QByteArray heard;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            heard += h.pty.read(6 - static_cast<int>(heard.size()), 0);
            if (heard.size() == 6) {
                h.pty.write(QByteArray::fromHex("0101030501F42C58"));
                answer.stop();
            }
        });
        answer.start(5);
        h.window.Command22_Click();
        QCOMPARE(h.window.Text23->text(), QStringLiteral("500"));
    }
};

QTEST_MAIN(TestForm1Pty)
#include "tst_form1_pty.moc"
