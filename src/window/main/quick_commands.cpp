// The one-button drive operations. Every press goes into the exchange core's queue with its own
// request, in the order pressed (a stop ahead of those still waiting), and the readings decode
// the reply to their own request into their result box when it comes.
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QTimer>

#include "convert/conversions.h"
#include "drive/drive_requests.h"
#include "drive/entry_checks.h"
#include "exchange/exchange_text.h"
#include "window/main/entry_guard.h"
#include "window/main/main_window.h"

namespace {

constexpr auto kPressPause = std::chrono::milliseconds(100);

frame::RequestFields Fields(const QString& address, int command, int length,
                            const QString& function, const QString& data = QString()) {
    frame::RequestFields fields{
        address, QString::number(command), QString::number(length), function, {}};
    fields.data[0] = data;
    return fields;
}

}  // namespace

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
    for (std::size_t r = 0; r < kReadingCount; ++r) results_[r] = ResultBox(readingBoxes[r]);
    results_[kParameterResult] = ResultBox(parameterValueBox);
}

// A quick command goes ahead only when every entry it reads is one the drive can be sent
// unchanged; each refused box is marked, and nothing is written or sent.
bool MainWindow::entriesAccepted(std::initializer_list<EntryGuard*> entries) {
    bool good = true;
    for (EntryGuard* entry : entries) good = entry->check() && good;
    return good;
}

// A quick command's request goes into the field boxes and the send cells, where the user sees
// what goes out, every field written: a data box left from an earlier request would otherwise
// add its bytes to this one. A write in timed mode is composed apart, so that the cells go on
// sending the frame they sent before.
QByteArray MainWindow::quickRequest(const frame::RequestFields& fields, bool intoCells) {
    if (!intoCells) return frame::ComposeFrame(fields, selectedFraming());
    addressField->setText(fields.address);
    commandField->setText(fields.command);
    lengthField->setText(fields.length);
    functionField->setText(fields.function);
    for (std::size_t i = 0; i < dataFields.size(); ++i) dataFields[i]->setText(fields.data[i]);
    composeRequest();
    quickFrameInCells_ = frameToSend();
    return quickFrameInCells_;
}

// A press goes out 0.1 s after it was made, behind the exchanges before it; the window goes on
// taking clicks meanwhile.
quint64 MainWindow::submitPress(const QByteArray& frame, bool urgent, exchange::ExchangeDone done,
                                exchange::Judging judging) {
    const exchange::Request request{frame, exchange::Origin::Manual,
                                    exchange::Clock::now() + kPressPause, urgent, judging};
    return core_.submit(request, std::move(done));
}

// Start, stop, set frequency and set function write to the drive: each press goes out once, also
// in timed mode, where it goes between two ticks.
void MainWindow::sendDriveCommand(const frame::RequestFields& fields, bool urgent) {
    submitPress(quickRequest(fields, !timedModeBox->isChecked()), urgent, {});
}

void MainWindow::onStartClicked() {
    if (!entriesAccepted({addressGuard_})) return;
    sendDriveCommand(
        Fields(inverterAddress->text(), drive::kRunControl, 1, QString::number(drive::kRunStart)),
        false);
}

// Stop goes to the drive the inverter address box names, like start: a stop must never reach
// whatever address an earlier hand-made request left in the address box. It goes out before
// every press still waiting.
void MainWindow::onStopClicked() {
    if (!entriesAccepted({addressGuard_})) return;
    if (jobRunner_.running()) {  // a scan holds the line at its own settings
        stopAfterJob_ = true;
        jobRunner_.stop();
        return;
    }
    sendDriveCommand(
        Fields(inverterAddress->text(), drive::kRunControl, 1, QString::number(drive::kRunStop)),
        true);
}

void MainWindow::onSetFrequencyClicked() {
    if (!entriesAccepted({addressGuard_, frequencyGuard_})) return;
    const drive::FrequencyFields frequency =
        drive::SplitFrequency(*drive::FrequencyHundredths(frequencyEntry->text()));
    sendDriveCommand(Fields(inverterAddress->text(), drive::kSetFrequency, 2, frequency.function,
                            frequency.data),
                     false);
}

void MainWindow::onWriteParameterClicked() {
    if (!entriesAccepted({addressGuard_, writeNumberGuard_, writeValueGuard_})) return;
    sendDriveCommand(Fields(inverterAddress->text(), drive::kWriteParameter, 3,
                            writeParameterNumber->text(), writeParameterValue->text()),
                     false);
}

void MainWindow::onReadParameterClicked() {
    if (!entriesAccepted({addressGuard_, readNumberGuard_})) return;
    readOnce(kParameterResult, Fields(inverterAddress->text(), drive::kReadParameter, 1,
                                      readParameterNumber->text()));
}

void MainWindow::onReadingClicked(int reading) {
    if (!entriesAccepted({addressGuard_})) return;
    const int item = reading == kFaultCodeReading
                         ? drive::kFaultCodeItem
                         : drive::MonitorItems()[static_cast<std::size_t>(reading)].item;
    readOnce(reading,
             Fields(inverterAddress->text(), drive::kReadMonitor, 1, QString::number(item)));
}

// A reading sends its request and shows the reply to it. In timed mode the send button's action
// sends nothing: the next tick carries the request, and the reading waits for that tick, at most
// two intervals and a capture.
void MainWindow::readOnce(int result, const frame::RequestFields& fields) {
    const QByteArray request = quickRequest(fields, true);
    readingRequests_[std::size_t(result)] = request;
    results_[std::size_t(result)].showWaiting();
    if (timedModeBox->isChecked()) {
        const auto bound =
            std::chrono::milliseconds(2 * timedSendTimer->interval()) + core_.longestCapture();
        timedReadings_.push_back({result, request, exchange::Clock::now() + bound});
        if (!timedReadingTimer_->isActive() ||
            timedReadingTimer_->remainingTime() > int(bound.count()))
            timedReadingTimer_->start(int(bound.count()));
    } else {
        submitPress(request, false,
                    [this, result](const exchange::Exchange& e) { showPressResult(result, e); });
    }
    showSoon();
}

std::optional<QString> MainWindow::DecodeResult(int result, const QByteArray& body) {
    if (result == kParameterResult) {
        const std::optional<int> value = drive::ParameterValue(body);
        return value ? std::optional<QString>(conv::DecimalText(*value)) : std::nullopt;
    }
    if (result == kFaultCodeReading) {
        const std::optional<int> code = drive::FaultCode(body);
        return code ? std::optional<QString>(drive::FaultText(*code)) : std::nullopt;
    }
    const std::optional<int> raw = drive::MonitorValue(body);
    if (!raw) return std::nullopt;
    return drive::MonitorText(*raw, drive::MonitorItems()[static_cast<std::size_t>(result)]);
}

// The reply to a press: its value, or the verdict's own word with what was received.
void MainWindow::showPressResult(int result, const exchange::Exchange& exchange) {
    ResultBox& box = results_[std::size_t(result)];
    if (exchange.sent && !fromAddressInForce(exchange)) {
        box.forget(tr("the reply came from the drive asked before the inverter address "
                      "(变频地址) changed to %1")
                       .arg(addressInForce_));
    } else if (!exchange.sent) {
        box.showVerdict(QStringLiteral("未发送"), port_.errorText());
    } else if (exchange.judgement.verdict == exchange::Verdict::Good) {
        if (const std::optional<QString> value = DecodeResult(result, exchange.judgement.body)) {
            box.showValue(*value, QDateTime::currentMSecsSinceEpoch());
        } else {
            // A whole frame that answers the request but is too short for the value.
            box.showVerdict(
                exchange::VerdictName(exchange::Verdict::OtherAnswer),
                exchange::ReceivedText(exchange.reply, tr("whole, but too short for the value")));
        }
    } else {
        box.showVerdict(exchange::VerdictName(exchange.judgement.verdict),
                        exchange::ReceivedText(exchange.reply, exchange.judgement.detail));
    }
    showSoon();
}

// A reading's request repeated by timed mode: every good reply shows; one that gives no value
// leaves the value before it greyed, with what happened since.
void MainWindow::showRepeatedResult(int result, const exchange::Exchange& exchange) {
    if (exchange.sent && !fromAddressInForce(exchange)) return;
    ResultBox& box = results_[std::size_t(result)];
    std::optional<QString> value;
    if (exchange.sent && exchange.judgement.verdict == exchange::Verdict::Good)
        value = DecodeResult(result, exchange.judgement.body);
    if (value) {
        box.showValue(*value, QDateTime::currentMSecsSinceEpoch());
    } else if (!exchange.sent) {
        box.showOutdated(QStringLiteral("未发送"), tr("not sent: %1").arg(port_.errorText()));
    } else {
        const exchange::Verdict verdict = exchange.judgement.verdict == exchange::Verdict::Good
                                              ? exchange::Verdict::OtherAnswer
                                              : exchange.judgement.verdict;
        box.showOutdated(
            exchange::VerdictName(verdict),
            tr("%1: %2").arg(exchange::VerdictName(verdict),
                             exchange::ReceivedText(exchange.reply, exchange.judgement.detail)));
    }
    showSoon();
}

// Timed mode's exchanges carry the readings' requests that stand in the cells: the first after a
// press answers that press, the later ones keep its box up to date.
void MainWindow::followTimedReadings(const exchange::Exchange& exchange) {
    if (exchange.origin != exchange::Origin::Timed) return;
    for (int result = 0; result < kResultCount; ++result) {
        if (readingRequests_[std::size_t(result)] != exchange.request) continue;
        const auto pressed =
            std::find_if(timedReadings_.begin(), timedReadings_.end(), [&](const TimedReading& t) {
                return t.result == result && t.request == exchange.request;
            });
        if (pressed != timedReadings_.end()) {
            timedReadings_.erase(pressed);
            showPressResult(result, exchange);
        } else {
            showRepeatedResult(result, exchange);
        }
    }
}

// A reading pressed in timed mode whose request no tick carried in time.
void MainWindow::expireTimedReadings() {
    const exchange::Clock::time_point now = exchange::Clock::now();
    auto next = exchange::Clock::time_point::max();
    for (auto it = timedReadings_.begin(); it != timedReadings_.end();) {
        if (it->deadline <= now) {
            results_[std::size_t(it->result)].showOutdated(
                drive::NoReplyText(),
                tr("no tick of timed mode carried the request in time; is the interval long?"));
            it = timedReadings_.erase(it);
        } else {
            next = std::min(next, it->deadline);
            ++it;
        }
    }
    if (next != exchange::Clock::time_point::max())
        timedReadingTimer_->start(std::max(1, exchange::MillisecondsUntil(next)));
    showSoon();
}
