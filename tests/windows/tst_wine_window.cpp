// The Windows build's window against the simulated drive that tools/windows/wine-tests.sh runs
// on the Linux side: behind COM1, which Wine maps to the drive's pseudo-terminal, and behind a
// TCP port. Through the program's own serial and network lines it reads the output frequency,
// sets a frequency and reads it back, writes a parameter and reads it back.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "exchange/exchange_core.h"
#include "serial/line_selector.h"
#include "window/main/main_window.h"

namespace {

constexpr int kRtu = 3;   // " RTU  8,N,1"
constexpr int k9600 = 1;  // the baud-rate buttons: 4800, 9600, 19200, 38400
constexpr int kSetFrequencyReading = 0;
constexpr int kOutputFrequencyReading = 1;

}  // namespace

class TestWineWindow : public QObject {
    Q_OBJECT
  private slots:
    // At the display scaling the script asks for (WINE_EXPECT_SCALE, e.g. 1.5 for 150 %), the
    // window is drawn at that scale and no caption is cut by its control.
    void captionsFitTheirControls() {
        const double scale =
            qEnvironmentVariable("WINE_EXPECT_SCALE", QStringLiteral("1")).toDouble();
        serial::PortMap map;
        serial::LineSelector line(map);
        MainWindow window(line, map.devices);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.devicePixelRatio(), scale);
        QStringList cut;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!widget->isVisible()) continue;
            QString text;
            int room = widget->contentsRect().width();
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (label->wordWrap() || label->textFormat() == Qt::RichText) continue;
                text = label->text();
                room -= 2 * label->margin();
            } else if (qobject_cast<QRadioButton*>(widget) || qobject_cast<QCheckBox*>(widget)) {
                if (widget->sizeHint().width() > widget->width())
                    cut << QStringLiteral("%1 \"%2\"")
                               .arg(widget->objectName(),
                                    static_cast<QAbstractButton*>(widget)->text());
                continue;
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                text = button->text();
                room -= 4;  // the frame drawn inside the button
            }
            text.remove(QLatin1Char('&'));
            if (text.isEmpty() || text.contains(QLatin1Char('\n'))) continue;
            if (widget->fontMetrics().horizontalAdvance(text) > room)
                cut << QStringLiteral("%1 \"%2\"").arg(widget->objectName(), text);
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(", "))));
    }

    void readAndWrite_data() {
        QTest::addColumn<QString>("device");
        const QString com = qEnvironmentVariable("WINE_DRIVE_COM");
        const QString tcp = qEnvironmentVariable("WINE_DRIVE_TCP");
        if (com.isEmpty() && tcp.isEmpty()) QSKIP("no drive: run tools/windows/wine-tests.sh");
        if (!com.isEmpty()) QTest::newRow("serial port") << com;
        if (!tcp.isEmpty()) QTest::newRow("TCP") << tcp;
    }
    void readAndWrite() {
        QFETCH(QString, device);
        serial::PortMap map;
        map.devices[0] = device;
        serial::LineSelector line(map);
        MainWindow window(line, map.devices);
        window.setReplyTimeout(200);  // Wine and a busy machine between the program and the drive
        window.show();
        window.load();
        window.baudGroup->button(k9600)->click();
        window.formatGroup->button(kRtu)->click();
        QVERIFY2(line.isOpen(), qPrintable(line.errorText()));
        const auto result = [&](int index) {
            if (!QTest::qWaitFor([&] { return !window.result(index).busy(); }, 5000))
                return QStringLiteral("(still waiting)");
            return index == kParameterResult ? window.parameterValueBox->text()
                                             : window.readingBoxes[index]->text();
        };

        window.readingButtons[kOutputFrequencyReading]->click();
        QCOMPARE(result(kOutputFrequencyReading), QStringLiteral("000.00 Hz"));

        window.frequencyEntry->setText(QStringLiteral("12.34"));
        window.setFrequencyButton->click();
        QVERIFY(QTest::qWaitFor([&] { return window.exchangeCore().idle(); }, 5000));
        bool wentOut = false;
        const exchange::History& history = window.exchangeCore().history();
        for (std::size_t row = 0; row < history.size(); ++row)
            wentOut |= history.at(row).direction == exchange::Direction::Sent &&
                       history.at(row).bytes == QByteArray::fromHex("01050204D23A51");
        QVERIFY(wentOut);
        window.readingButtons[kSetFrequencyReading]->click();
        QCOMPARE(result(kSetFrequencyReading), QStringLiteral("012.34 Hz"));

        window.writeParameterNumber->setText(QStringLiteral("12"));
        window.writeParameterValue->setText(QStringLiteral("300"));
        window.writeParameterButton->click();
        QVERIFY(QTest::qWaitFor([&] { return window.exchangeCore().idle(); }, 5000));
        window.readParameterNumber->setText(QStringLiteral("12"));
        window.readParameterButton->click();
        QCOMPARE(result(kParameterResult), QStringLiteral("300"));
    }
};

QTEST_MAIN(TestWineWindow)
#include "tst_wine_window.moc"
