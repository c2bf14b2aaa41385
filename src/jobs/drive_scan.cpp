#include "jobs/drive_scan.h"

#include <QCoreApplication>
#include <algorithm>

#include "drive/drive_requests.h"
#include "exchange/history_format.h"
#include "frame/frame_reader.h"
#include "serial/port_settings.h"

namespace jobs {
namespace {

using exchange::Verdict;

// Modbus slave addresses; 0 is the broadcast that nobody answers.
constexpr int kLowestAddress = 1;
constexpr int kHighestAddress = 247;
// The settings most drives leave the factory with come first: 9600 and 19200 baud, RTU.
constexpr int kBaudOrder[] = {1, 2, 3, 0};
constexpr int kFormatOrder[] = {3, 5, 4, 0, 2, 1};
// A row shows this much of what came back.
constexpr int kSeenBytes = 24;

QByteArray ProbeRequest(int address, frame::Framing framing) {
    frame::RequestFields fields;
    fields.address = QString::number(address);
    fields.command = QString::number(drive::kReadMonitor);
    fields.length = QStringLiteral("1");
    fields.function = QString::number(drive::kFaultCodeItem);
    return frame::ComposeFrame(fields, framing);
}

// The address of the first whole, checked frame of the drive's layout in `reply` that is not
// the request itself; -1 when there is none.
int AnsweringAddress(const QByteArray& reply, const QByteArray& request, frame::Framing framing) {
    for (int start = 0; start < reply.size(); ++start) {
        const char* data = reply.constData() + start;
        const int available = int(reply.size()) - start;
        if (framing == frame::Framing::Ascii && *data != ':') continue;
        const frame::FrameRead read = framing == frame::Framing::Rtu
                                          ? frame::ReadRtuFrame(data, available)
                                          : frame::ReadAsciiFrame(data, available);
        if (read.outcome != frame::ReadOutcome::Frame) continue;
        if (reply.mid(start, read.consumed) == request) {
            start += read.consumed - 1;
            continue;
        }
        return quint8(read.body.at(0));
    }
    return -1;
}

QString SeenText(const QByteArray& reply) {
    QString text = QString::fromLatin1(reply.left(kSeenBytes).toHex(' ').toUpper());
    if (reply.size() > kSeenBytes) text += QStringLiteral(" …");
    return text;
}

}  // namespace

QString OutcomeText(ProbeOutcome outcome) {
    switch (outcome) {
        case ProbeOutcome::Silent:
            return QCoreApplication::translate(
                "DriveScan",
                "nothing came back: check the wiring (A and B swapped?), the drive's power, its "
                "address and that its communication is switched on");
        case ProbeOutcome::Garbled:
            return QCoreApplication::translate(
                "DriveScan",
                "bytes but no frame: the baud rate or parity may be wrong, or the line is noisy; "
                "try the other settings and check the termination");
        case ProbeOutcome::Echo:
            return QCoreApplication::translate(
                "DriveScan",
                "only the request came back: the adapter echoes, or a two-wire bus keeps its "
                "receiver on while sending; switch the echo off or use an adapter that turns "
                "the line round by itself");
        case ProbeOutcome::OtherAnswer:
            return QCoreApplication::translate(
                "DriveScan",
                "a device answered from this address, but not as the drive does: another kind "
                "of device or another protocol; check the drive's protocol setting");
        case ProbeOutcome::OtherAddress:
            return QCoreApplication::translate(
                "DriveScan", "a drive answered from another address: it is asked at its own next");
        case ProbeOutcome::Found:
            return QCoreApplication::translate(
                "DriveScan", "a drive answered: double-click to use this setting and address");
    }
    return QString();
}

QString FoundLine(const ScanRow& row) {
    return QStringLiteral("%1 %2 %3 %4 ms")
        .arg(row.address)
        .arg(serial::BaudRateAt(row.baudIndex))
        .arg(serial::FormatName(row.formatIndex))
        .arg(row.firstByteMs);
}

QByteArray ScanCsv(const std::vector<ScanRow>& rows) {
    const auto field = [](const QString& text) { return exchange::CsvField(text); };
    QStringList header{QCoreApplication::translate("DriveScan", "address"),
                       QCoreApplication::translate("DriveScan", "baud rate"),
                       QCoreApplication::translate("DriveScan", "format"),
                       QCoreApplication::translate("DriveScan", "first byte ms"),
                       QCoreApplication::translate("DriveScan", "verdict"),
                       QCoreApplication::translate("DriveScan", "probes"),
                       QCoreApplication::translate("DriveScan", "seen"),
                       QCoreApplication::translate("DriveScan", "note")};
    QString text = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const ScanRow& row : rows) {
        const QStringList fields{QString::number(row.address),
                                 QString::number(serial::BaudRateAt(row.baudIndex)),
                                 field(serial::FormatName(row.formatIndex)),
                                 row.firstByteMs < 0 ? QString() : QString::number(row.firstByteMs),
                                 field(exchange::VerdictFileWord(row.verdict)),
                                 QString::number(row.probes),
                                 field(row.seen),
                                 field(OutcomeText(row.outcome))};
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return exchange::Utf8ByteOrderMark() + text.toUtf8();
}

DriveScan::DriveScan(const ScanOptions& options) : options_(options) {
    options_.firstAddress = std::clamp(options_.firstAddress, kLowestAddress, kHighestAddress);
    options_.lastAddress = std::clamp(options_.lastAddress, options_.firstAddress, kHighestAddress);
    options_.budget = std::clamp(options_.budget, kShortestBudget, kLongestBudget);
    const auto chosen = [](const std::vector<int>& list, int index) {
        return std::find(list.begin(), list.end(), index) != list.end();
    };
    if (chosen(options_.bauds, options_.currentBaud) &&
        chosen(options_.formats, options_.currentFormat))
        settings_.push_back({options_.currentBaud, options_.currentFormat, {}, {}, {}});
    for (int baud : kBaudOrder) {
        for (int format : kFormatOrder) {
            if (!chosen(options_.bauds, baud) || !chosen(options_.formats, format)) continue;
            if (baud == options_.currentBaud && format == options_.currentFormat) continue;
            settings_.push_back({baud, format, {}, {}, {}});
        }
    }
    for (int address : {kLowestAddress, options_.preferredAddress}) {
        const bool inRange = address >= options_.firstAddress && address <= options_.lastAddress;
        if (inRange && !chosen(firstAddresses_, address)) firstAddresses_.push_back(address);
    }
    if (firstAddresses_.empty()) firstAddresses_.push_back(options_.firstAddress);
    lively_.assign(settings_.size(), false);
    addressAt_ = options_.firstAddress;
}

int DriveScan::stepsExpected() const {
    if (stopped_ || phase_ == Phase::Done) return done_;
    const int range = options_.lastAddress - options_.firstAddress + 1;
    return int(settings_.size()) * range + int(followUps_.size());
}

std::optional<JobStep> DriveScan::probe(std::size_t setting, int address) {
    Setting& at = settings_[setting];
    at.probed.insert(address);
    const frame::Framing framing =
        serial::IsAsciiFormat(at.format) ? frame::Framing::Ascii : frame::Framing::Rtu;
    JobStep step;
    step.request.bytes = ProbeRequest(address, framing);
    step.request.origin = exchange::Origin::Job;
    step.request.firstByteWait = options_.budget;
    step.baudIndex = at.baud;
    step.formatIndex = at.format;
    lastSetting_ = setting;
    lastAddress_ = address;
    return step;
}

std::optional<JobStep> DriveScan::next() {
    if (stopped_) return std::nullopt;
    // An address that answered when another was asked is asked at its own at once.
    while (!followUps_.empty()) {
        const int address = followUps_.back();
        followUps_.pop_back();
        if (!settings_[lastSetting_].probed.count(address)) return probe(lastSetting_, address);
    }
    while (phase_ != Phase::Done) {
        for (; settingAt_ < settings_.size(); ++settingAt_, addressAt_ = options_.firstAddress) {
            Setting& setting = settings_[settingAt_];
            if (phase_ == Phase::FirstAddresses) {
                for (int address : firstAddresses_)
                    if (!setting.probed.count(address)) return probe(settingAt_, address);
                continue;
            }
            if (lively_[settingAt_] != (phase_ == Phase::LivelySettings)) continue;
            for (; addressAt_ <= options_.lastAddress; ++addressAt_)
                if (!setting.probed.count(addressAt_)) return probe(settingAt_, addressAt_++);
        }
        // The settings that showed any sign of life besides an echo are walked first.
        if (phase_ == Phase::FirstAddresses) {
            for (std::size_t i = 0; i < settings_.size(); ++i) {
                const ProbeOutcome seen = settings_[i].strongest;
                lively_[i] = seen != ProbeOutcome::Silent && seen != ProbeOutcome::Echo;
            }
        }
        phase_ = phase_ == Phase::FirstAddresses   ? Phase::LivelySettings
                 : phase_ == Phase::LivelySettings ? Phase::OtherSettings
                                                   : Phase::Done;
        settingAt_ = 0;
        addressAt_ = options_.firstAddress;
    }
    return std::nullopt;
}

void DriveScan::take(const exchange::Exchange& exchange) {
    ++done_;
    Setting& setting = settings_[lastSetting_];
    ScanRow row;
    row.address = lastAddress_;
    row.baudIndex = setting.baud;
    row.formatIndex = setting.format;
    row.verdict = exchange.judgement.verdict;
    row.firstByteMs = exchange.firstByteMs;
    row.seen = SeenText(exchange.echo + exchange.reply);
    const frame::Framing framing =
        serial::IsAsciiFormat(setting.format) ? frame::Framing::Ascii : frame::Framing::Rtu;
    const bool echoed = !exchange.echo.isEmpty() && exchange.reply.isEmpty();
    if (exchange.reply.isEmpty() && !echoed) {
        row.outcome = ProbeOutcome::Silent;
    } else if (echoed || exchange::IsEcho(exchange.request, exchange.reply)) {
        row.outcome = ProbeOutcome::Echo;
    } else if (row.verdict == Verdict::Good) {
        row.outcome = ProbeOutcome::Found;
    } else if (row.verdict == Verdict::OtherAnswer || row.verdict == Verdict::Exception) {
        const int answering = AnsweringAddress(exchange.reply, exchange.request, framing);
        row.outcome = answering >= 0 && answering != lastAddress_ ? ProbeOutcome::OtherAddress
                                                                  : ProbeOutcome::OtherAnswer;
        if (row.outcome == ProbeOutcome::OtherAddress) {
            row.address = answering;
            const bool inRange =
                answering >= options_.firstAddress && answering <= options_.lastAddress;
            if (inRange && !setting.probed.count(answering)) followUps_.push_back(answering);
        }
    } else {
        row.outcome = ProbeOutcome::Garbled;
    }
    setting.strongest = std::max(setting.strongest, row.outcome);
    if (row.outcome == ProbeOutcome::Found) {
        drives_.push_back(row);
        if (!options_.findAll) stopped_ = true;
        return;
    }
    const auto same =
        std::find_if(setting.summary.begin(), setting.summary.end(), [&row](const ScanRow& seen) {
            return seen.outcome == row.outcome &&
                   (row.outcome != ProbeOutcome::OtherAddress || seen.address == row.address);
        });
    if (same != setting.summary.end()) {
        ++same->probes;
    } else {
        setting.summary.push_back(row);
    }
}

std::vector<ScanRow> DriveScan::rows() const {
    std::vector<ScanRow> all = drives_;
    for (const Setting& setting : settings_)
        all.insert(all.end(), setting.summary.begin(), setting.summary.end());
    return all;
}

ProbeOutcome DriveScan::settingOutcome(int baudIndex, int formatIndex) const {
    for (const Setting& setting : settings_)
        if (setting.baud == baudIndex && setting.format == formatIndex) return setting.strongest;
    return ProbeOutcome::Silent;
}

}  // namespace jobs
