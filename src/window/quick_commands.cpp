// The one-button drive operations: fill the field boxes, compose and send; the readings then
// wait for the reply to their own request and decode it into their result box.
#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "convert/conversions.h"
#include "drive/drive_requests.h"
#include "drive/entry_checks.h"
#include "exchange/exchange_text.h"
#include "window/entry_guard.h"
#include "window/main_window.h"

void MainWindow::fillFields(const QString& address, int command, int length,
                            const QString& function) {
    addressField->setText(address);
    commandField->setText(QString::number(command));
    lengthField->setText(QString::number(length));
    functionField->setText(function);
}

void MainWindow::guardEntries() {
    using namespace drive;
    const auto whole = [](int lowest, int highest) {
        return [lowest, highest](const QString& text) {
            return WholeNumber(text, lowest, highest).has_value();
        };
    };
    addressGuard_ = new EntryGuard(inverterAddress, whole(0, kHighestAddress),
                                   WholeNumberRange(0, kHighestAddress));
    frequencyGuard_ = new EntryGuard(
        frequencyEntry, [](const QString& text) { return FrequencyHundredths(text).has_value(); },
        FrequencyRange());
    readNumberGuard_ = new EntryGuard(readParameterNumber, whole(0, kHighestParameterNumber),
                                      WholeNumberRange(0, kHighestParameterNumber));
    writeNumberGuard_ = new EntryGuard(writeParameterNumber, whole(0, kHighestParameterNumber),
                                       WholeNumberRange(0, kHighestParameterNumber));
    writeValueGuard_ = new EntryGuard(writeParameterValue, whole(0, kHighestParameterValue),
                                      WholeNumberRange(0, kHighestParameterValue));
}

// A quick command goes ahead only when no reading waits and every entry it reads is one the
// drive can be sent unchanged; each refused box is marked, and nothing is written or sent.
bool MainWindow::quickCommandMayRun(std::initializer_list<EntryGuard*> entries) {
    if (quickCommandWaiting_) return false;
    bool good = true;
    for (EntryGuard* entry : entries) good = entry->check() && good;
    return good;
}

void MainWindow::onStartClicked() {
    if (!quickCommandMayRun({addressGuard_})) return;
    fillFields(inverterAddress->text(), drive::kRunControl, 1, QString::number(drive::kRunStart));
    composeRequest();
    sendFrame();
}

// Stop goes to the drive the inverter address box names, like start: a stop must never reach
// whatever address an earlier hand-made request left in the address box.
void MainWindow::onStopClicked() {
    if (!quickCommandMayRun({addressGuard_})) return;
    fillFields(inverterAddress->text(), drive::kRunControl, 1, QString::number(drive::kRunStop));
    composeRequest();
    sendFrame();
}

void MainWindow::onSetFrequencyClicked() {
    if (!quickCommandMayRun({addressGuard_, frequencyGuard_})) return;
    const drive::FrequencyFields frequency =
        drive::SplitFrequency(*drive::FrequencyHundredths(frequencyEntry->text()));
    fillFields(inverterAddress->text(), drive::kSetFrequency, 2, frequency.function);
    dataFields[0]->setText(frequency.data);
    composeRequest();
    sendFrame();
}

void MainWindow::onWriteParameterClicked() {
    if (!quickCommandMayRun({addressGuard_, writeNumberGuard_, writeValueGuard_})) return;
    fillFields(inverterAddress->text(), drive::kWriteParameter, 3, writeParameterNumber->text());
    dataFields[0]->setText(writeParameterValue->text());
    composeRequest();
    sendFrame();
}

void MainWindow::onReadParameterClicked() {
    if (!quickCommandMayRun({addressGuard_, readNumberGuard_})) return;
    fillFields(inverterAddress->text(), drive::kReadParameter, 1, readParameterNumber->text());
    composeRequest();
    showResult(parameterValueBox, sendAndWait(), [](const QByteArray& body) {
        const std::optional<int> value = drive::ParameterValue(body);
        return value ? std::optional<QString>(conv::DecimalText(*value)) : std::nullopt;
    });
}

void MainWindow::onReadingClicked(int reading) {
    if (!quickCommandMayRun({addressGuard_})) return;
    const bool fault = reading == kFaultCodeReading;
    const int item = fault ? drive::kFaultCodeItem
                           : drive::MonitorItems()[static_cast<std::size_t>(reading)].item;
    fillFields(inverterAddress->text(), drive::kReadMonitor, 1, QString::number(item));
    composeRequest();
    showResult(readingBoxes[static_cast<std::size_t>(reading)], sendAndWait(),
               [fault, reading](const QByteArray& body) -> std::optional<QString> {
                   if (fault) {
                       const std::optional<int> code = drive::FaultCode(body);
                       if (!code) return std::nullopt;
                       return drive::FaultText(*code);
                   }
                   const std::optional<int> raw = drive::MonitorValue(body);
                   if (!raw) return std::nullopt;
                   return drive::MonitorText(
                       *raw, drive::MonitorItems()[static_cast<std::size_t>(reading)]);
               });
}

// While a reading waits, a second quick command would send its own request into the wait; such
// a click is ignored. In timed mode the send button's action sends nothing: the reading waits
// for the tick that carries its request, at most two intervals and a capture.
std::optional<exchange::Exchange> MainWindow::sendAndWait() {
    quickCommandWaiting_ = true;
    const QByteArray request = frameToSend();
    std::optional<exchange::Exchange> result;
    if (timedModeBox->isChecked()) {
        sendFrame();
        const auto bound =
            std::chrono::milliseconds(2 * timedSendTimer->interval()) + core_.longestCapture();
        result = core_.waitForExchange(
            [&request](const exchange::Exchange& exchange) {
                return exchange.origin == exchange::Origin::Timed && exchange.request == request;
            },
            bound);
    } else if (const quint64 id = sendFrame()) {
        // The request may wait behind one exchange in flight, then has its own capture. A wait
        // beyond both and a second means something went wrong: the reading then shows "无回应"
        // rather than keep the user waiting.
        result = core_.waitForExchange(id, 2 * core_.longestCapture() + std::chrono::seconds(1));
    }
    quickCommandWaiting_ = false;
    return result;
}

void MainWindow::showResult(
    QLineEdit* box, const std::optional<exchange::Exchange>& exchange,
    const std::function<std::optional<QString>(const QByteArray&)>& decode) {
    using exchange::Verdict;
    QString text = drive::NoReplyText();
    QString tooltip = QStringLiteral("the request did not go out: the port is not open");
    if (exchange && exchange->sent) {
        const exchange::Judgement& judgement = exchange->judgement;
        tooltip = exchange::ReceivedText(exchange->reply, judgement.detail);
        switch (judgement.verdict) {
            case Verdict::Good:
                if (const std::optional<QString> value = decode(judgement.body)) {
                    text = *value;
                    tooltip.clear();
                } else {
                    // A whole frame that answers the request but is too short for the value.
                    text = QStringLiteral("回应不符");
                    tooltip += QStringLiteral(": too short for the value");
                }
                break;
            case Verdict::CheckError:
                text = QStringLiteral("校验错误");
                break;
            case Verdict::OtherAnswer:
                text = QStringLiteral("回应不符");
                break;
            case Verdict::NoReply:
            case Verdict::Incomplete:
            case Verdict::Late:
                break;
        }
    } else if (!exchange && timedModeBox->isChecked()) {
        tooltip = QStringLiteral("no tick carried the request in time");
    }
    box->setText(text);
    box->setToolTip(tooltip);
}
