// The exchange: sending the byte cells, collecting the reply, the log, and timed sending.
#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "convert/conversions.h"
#include "exchange/exchange_text.h"
#include "exchange/pause.h"
#include "serial/port_settings.h"
#include "window/cell_edit.h"
#include "window/form1.h"

namespace {

// How long the transmitter may take beyond the frame's own wire time before RTS is switched on
// regardless: a drain that does not end must not hang the window.
constexpr std::chrono::milliseconds kDrainMargin{20};

}  // namespace

std::array<QString, kCellCount> Form1::byteCellTexts() const {
    std::array<QString, kCellCount> texts;
    for (int i = 0; i < kCellCount; ++i) texts[i] = TX[i]->text();
    return texts;
}

void Form1::appendLogLine(const QString& line) {
    Text10->setText(Text11->text());
    Text11->setText(Text13->text());
    Text13->setText(line);
    // Keep the counter and direction tag in view when a line is wider than its box.
    for (QLineEdit* box : {Text10, Text11, Text13}) box->setCursorPosition(0);
}

// One byte per write, in cell order, as the drive's receiver expects them.
void Form1::writeFrame(const QByteArray& bytes) {
    for (char byte : bytes) port_.write(QByteArray(1, byte));
}

// "发        送": RTS off, the frame out, RTS back on once the last bit has left the port, then
// the receive timer and the TXD line.
void Form1::Command2_Click(int) {
    exchange::Pause(std::chrono::milliseconds(100));
    // In timed mode only the timer puts frames on the line.
    if (Check3->isChecked()) return;

    port_.setRts(false);
    const QByteArray bytes = exchange::BytesToSend(byteCellTexts());
    writeFrame(bytes);
    const auto settings =
        serial::ParseSettings(serial::SettingsText(selectedIndex(Option2), selectedIndex(Option1)));
    const int bitsPerChar = settings ? serial::BitsPerCharacter(*settings) : 11;
    const int baud = settings ? settings->baudRate : 4800;
    const auto wireTime =
        std::chrono::milliseconds(1 + 1000LL * bytes.size() * bitsPerChar / std::max(1, baud));
    port_.drain(wireTime + kDrainMargin);
    port_.setRts(true);

    Timer1->start();
    appendLogLine(exchange::LogLine(Cnt, exchange::Direction::Sent, bytes));
}

// Receive timer: whatever has arrived by now is the reply.
void Form1::Timer1_Timer() {
    Timer1->stop();
    ++receiveActions_;
    QByteArray received;
    if (port_.pendingInputCount() > 0) received = port_.readPendingInput();
    const exchange::GridTexts grid = exchange::ReceiveGridTexts(received);
    for (int i = 0; i < kCellCount; ++i) {
        SetTextIfChanged(RX[i], grid.hex[i]);
        SetTextIfChanged(RXS[i], grid.chars[i]);
    }
    appendLogLine(exchange::LogLine(Cnt, exchange::Direction::Received, received.left(kCellCount)));
    Cnt = exchange::NextCounter(Cnt);
}

void Form1::Check3_Click() {
    if (Check3->isChecked()) {
        if (conv::ReadNumber(Text9->text()) < 50) Text9->setText(QStringLiteral("50"));
        const qint64 interval =
            conv::RoundToInt(conv::ReadNumber(Text9->text()), conv::IntWidth::Int32);
        Timer2->setInterval(static_cast<int>(interval));
        Timer2->start();
        Command2->setEnabled(false);
    } else {
        Timer2->stop();
        Command2->setEnabled(true);
    }
}

// Timed send: the byte cells as they stand now, without pause or RTS switching.
void Form1::Timer2_Timer() {
    if (!Check3->isChecked()) return;
    // At short intervals the next tick can come before the previous reply's receive timer;
    // collect that reply first so every sent frame keeps its own RXD line.
    if (Timer1->isActive()) Timer1_Timer();
    const QByteArray bytes = exchange::BytesToSend(byteCellTexts());
    writeFrame(bytes);
    Timer1->start();
    appendLogLine(exchange::LogLine(Cnt, exchange::Direction::Sent, bytes));
}
