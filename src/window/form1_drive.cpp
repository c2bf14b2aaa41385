// The one-button drive operations: fill the field boxes, compose, send, and for the readings
// wait for the reply and decode it into the result box.
#include <QButtonGroup>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>

#include "convert/conversions.h"
#include "drive/drive_requests.h"
#include "window/form1.h"

namespace {

QString Number(int value) {
    return QString::number(value);
}

}  // namespace

// While a reading waits for its reply, a second quick command would send its own request and
// the waiting one would decode that reply with its own scale; such a click is ignored.
bool Form1::beginQuickCommand() {
    return !quickCommandWaiting_;
}

void Form1::fillFields(const QString& address, const QString& command, const QString& length,
                       const QString& function) {
    Text1->setText(address);
    Text2->setText(command);
    Text3->setText(length);
    Text4->setText(function);
}

// Lets window events run until the receive action has collected the reply, blocking for the next
// event rather than spinning. In timed mode at short intervals a tick may collect the reply and
// restart the receive timer in one go, so a receive action seen to run also ends the wait.
// Returns whether any event got to run.
bool Form1::waitForReply() {
    bool passMade = false;
    quickCommandWaiting_ = true;
    const unsigned receivesBefore = receiveActions_;
    while (Timer1->isActive() && receiveActions_ == receivesBefore) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        passMade = true;
    }
    quickCommandWaiting_ = false;
    return passMade;
}

drive::ReceiveGrid Form1::receiveGrid() const {
    drive::ReceiveGrid grid;
    for (int i = 0; i < kCellCount; ++i) {
        grid.hex[i] = RX[i]->text();
        grid.chars[i] = RXS[i]->text();
    }
    return grid;
}

void Form1::Command24_Click(int) {
    if (!beginQuickCommand()) return;
    fillFields(Text24->text(), Number(drive::kRunControl), Number(1), Number(drive::kRunStart));
    Command3_Click();
    Command2_Click(0);
}

// Stop goes to the drive the inverter address box names, like start: a stop must never reach
// whatever address an earlier hand-made request left in the address box.
void Form1::Command25_Click(int) {
    if (!beginQuickCommand()) return;
    fillFields(Text24->text(), Number(drive::kRunControl), Number(1), Number(drive::kRunStop));
    Command3_Click();
    Command2_Click(0);
}

void Form1::Command21_Click(int) {
    if (!beginQuickCommand()) return;
    const drive::FrequencyFields frequency = drive::SplitFrequency(Text6->text());
    fillFields(Text24->text(), Number(drive::kSetFrequency), Number(2), frequency.function);
    Text5[0]->setText(frequency.data);
    Command3_Click();
    Command2_Click(0);
}

void Form1::Command23_Click(int) {
    if (!beginQuickCommand()) return;
    fillFields(Text24->text(), Number(drive::kWriteParameter), Number(3), Text12->text());
    Text5[0]->setText(Text8->text());
    Command3_Click();
    Command2_Click(0);
}

void Form1::Command22_Click(int) {
    if (!beginQuickCommand()) return;
    fillFields(Text24->text(), Number(drive::kReadParameter), Number(1), Text7->text());
    Command3_Click();
    Command2_Click(0);
    const bool passMade = waitForReply();
    Text23->setText(drive::DecodeParameter(receiveGrid(), selectedFraming(),
                                           conv::ReadNumber(Text24->text()), passMade));
}

void Form1::MonitorButton_Click(int item) {
    if (!beginQuickCommand()) return;
    const drive::MonitorItem& monitor = drive::MonitorItems()[static_cast<std::size_t>(item)];
    fillFields(Text24->text(), Number(drive::kReadMonitor), Number(1), Number(monitor.item));
    Command3_Click();
    Command2_Click(0);
    const bool passMade = waitForReply();
    resultBoxes[static_cast<std::size_t>(item)]->setText(drive::DecodeMonitor(
        receiveGrid(), selectedFraming(), conv::ReadNumber(Text24->text()), passMade, monitor));
}

void Form1::Command48_Click(int) {
    if (!beginQuickCommand()) return;
    fillFields(Text24->text(), Number(drive::kReadMonitor), Number(1),
               Number(drive::kFaultCodeItem));
    Command3_Click();
    Command2_Click(0);
    const bool passMade = waitForReply();
    resultBoxes[8]->setText(drive::DecodeFault(receiveGrid(), selectedFraming(),
                                               conv::ReadNumber(Text24->text()), passMade));
}
