#include "listen/frame_meaning.h"

#include <QCoreApplication>

#include "drive/drive_requests.h"
#include "drive/readings.h"
#include "drive/reply_decoder.h"
#include "exchange/exception_reply.h"
#include "frame/standard_request.h"

namespace listen {
namespace {

quint8 At(const QByteArray& body, int i) {
    return i < body.size() ? quint8(body.at(i)) : 0;
}

int Word(const QByteArray& body, int i) {
    return At(body, i) << 8 | At(body, i + 1);
}

QString Hex4(int value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

QString FunctionLabel(int function) {
    const QString name = frame::StandardFunctionName(function);
    const QString number = QStringLiteral("%1").arg(function, 2, 16, QLatin1Char('0')).toUpper();
    return name.isEmpty() ? QCoreApplication::translate("Listening", "function %1").arg(number)
                          : number + QLatin1Char(' ') + name;
}

// The reading whose monitor item the request names; nullptr for an item the drive lacks.
const drive::Reading* ReadingOfItem(int item) {
    for (int i = 0; i < drive::kReadings; ++i)
        if (drive::ReadingAt(i).item == item) return &drive::ReadingAt(i);
    return nullptr;
}

// A written parameter value: up to 255 one byte and 00, more two bytes high first.
int WrittenValue(const QByteArray& body) {
    const int first = At(body, 4), second = At(body, 5);
    return At(body, 2) < 3 || second == 0 ? first : first * 256 + second;
}

QString DriveRequestMeaning(const QByteArray& body) {
    const int function = At(body, 3);
    switch (At(body, 1)) {
        case drive::kReadParameter:
            return QCoreApplication::translate("Listening", "read parameter %1").arg(function);
        case drive::kWriteParameter:
            return QCoreApplication::translate("Listening", "write parameter %1 = %2")
                .arg(function)
                .arg(WrittenValue(body));
        case drive::kRunControl:
            if (function == drive::kRunStart)
                return QCoreApplication::translate("Listening", "start");
            if (function == drive::kRunStop)
                return QCoreApplication::translate("Listening", "stop");
            return QCoreApplication::translate("Listening", "run command %1").arg(function);
        case drive::kReadMonitor:
            if (const drive::Reading* reading = ReadingOfItem(function))
                return QCoreApplication::translate("Listening", "read %1")
                    .arg(QString::fromUtf8(reading->caption));
            return QCoreApplication::translate("Listening", "read monitor item %1").arg(function);
        case drive::kSetFrequency:
            return QCoreApplication::translate("Listening", "set frequency %1 Hz")
                .arg(double(function * 256 + At(body, 4)) / 100.0, 0, 'f', 2);
    }
    return QString();
}

QString DriveReplyMeaning(const QByteArray& body) {
    const int function = At(body, 3);
    switch (At(body, 1)) {
        case drive::kReadParameter:
            if (const auto value = drive::ParameterValue(body))
                return QCoreApplication::translate("Listening", "parameter %1 = %2")
                    .arg(function)
                    .arg(*value);
            break;
        case drive::kReadMonitor: {
            const drive::Reading* reading = ReadingOfItem(function);
            if (!reading) break;
            const QString caption = QString::fromUtf8(reading->caption);
            if (function == drive::kFaultCodeItem) {
                if (const auto code = drive::FaultCode(body))
                    return QStringLiteral("%1 = %2").arg(caption, drive::FaultText(*code));
            } else if (const auto raw = drive::MonitorValue(body)) {
                return QStringLiteral("%1 = %2").arg(
                    caption,
                    drive::MonitorText(*raw, drive::MonitorItems()[std::size_t(function)]));
            }
            break;
        }
        default:
            return QCoreApplication::translate("Listening", "confirmed: %1")
                .arg(DriveRequestMeaning(body));
    }
    return QString();
}

QString StandardRequestMeaning(const QByteArray& body) {
    const int function = At(body, 1);
    const QString label = FunctionLabel(function);
    switch (function) {
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x04:
            return QCoreApplication::translate("Listening", "%1: from %2, %3 of them")
                .arg(label, Hex4(Word(body, 2)))
                .arg(Word(body, 4));
        case 0x05:
            return QStringLiteral("%1: %2 = %3")
                .arg(label, Hex4(Word(body, 2)),
                     Word(body, 4) == 0xFF00 ? QStringLiteral("ON") : QStringLiteral("OFF"));
        case 0x06:
            return QStringLiteral("%1: %2 = %3").arg(label, Hex4(Word(body, 2))).arg(Word(body, 4));
        case 0x0F:
        case 0x10:
            return QCoreApplication::translate("Listening", "%1: from %2, %3 of them")
                .arg(label, Hex4(Word(body, 2)))
                .arg(Word(body, 4));
    }
    return label;
}

QString StandardReplyMeaning(const QByteArray& body, const QByteArray& requestBody) {
    const int function = At(body, 1);
    if (function & 0x80)
        return QCoreApplication::translate("Listening", "exception %1")
            .arg(exchange::ExceptionCodeText(At(body, 2)));
    switch (function) {
        case 0x01:
        case 0x02:
            return QCoreApplication::translate("Listening", "%1 bytes: %2")
                .arg(At(body, 2))
                .arg(QString::fromLatin1(body.mid(3).toHex(' ').toUpper()));
        case 0x03:
        case 0x04: {
            // Each register with the address it was read from, when the request was heard.
            const int start = requestBody.size() >= 4 ? Word(requestBody, 2) : -1;
            QStringList words;
            for (int i = 3; i + 1 < body.size(); i += 2) {
                const int word = Word(body, i);
                words << (start < 0
                              ? QString::number(word)
                              : QStringLiteral("%1: %2").arg(Hex4(start + (i - 3) / 2)).arg(word));
            }
            return words.join(QStringLiteral("; "));
        }
    }
    return QCoreApplication::translate("Listening", "confirmed: %1")
        .arg(StandardRequestMeaning(body));
}

}  // namespace

bool IsDriveLayout(const QByteArray& body) {
    if (body.size() < 4 || body.size() != 3 + At(body, 2)) return false;
    // The lengths the drive's requests and replies have, per command.
    const int length = At(body, 2);
    switch (At(body, 1)) {
        case drive::kReadParameter:
        case drive::kReadMonitor:
            return length == 1 || length == 3;
        case drive::kWriteParameter:
            return length == 2 || length == 3;
        case drive::kRunControl:
            return length == 1;
        case drive::kSetFrequency:
            return length == 1 || length == 2;
    }
    return false;
}

bool LooksLikeRequest(const QByteArray& body) {
    if (IsDriveLayout(body)) {
        const int length = At(body, 2);
        switch (At(body, 1)) {
            case drive::kWriteParameter:
                return length == 2 || length == 3;
            case drive::kSetFrequency:
                return length == 1 || length == 2;
            default:
                return length == 1;
        }
    }
    const int function = At(body, 1);
    if (function >= 0x01 && function <= 0x06 && body.size() == 6) {
        const int quantity = Word(body, 4);
        if (function <= 0x02) return quantity >= 1 && quantity <= 2000;
        if (function <= 0x04) return quantity >= 1 && quantity <= 125;
        return function == 0x06 || quantity == 0xFF00 || quantity == 0;
    }
    if ((function == 0x0F || function == 0x10) && body.size() >= 7)
        return body.size() == 7 + At(body, 6) && Word(body, 4) >= 1;
    return false;
}

bool AnsweredByEcho(const QByteArray& requestBody) {
    if (IsDriveLayout(requestBody)) {
        const int command = At(requestBody, 1);
        return command != drive::kReadParameter && command != drive::kReadMonitor;
    }
    const int function = At(requestBody, 1);
    return function == 0x05 || function == 0x06 || function == 0x08;
}

QString RequestMeaning(const QByteArray& body) {
    return IsDriveLayout(body) ? DriveRequestMeaning(body) : StandardRequestMeaning(body);
}

QString ReplyMeaning(const QByteArray& body, const QByteArray& requestBody) {
    const bool drive = requestBody.isEmpty() ? IsDriveLayout(body) : IsDriveLayout(requestBody);
    if (drive && !(At(body, 1) & 0x80)) return DriveReplyMeaning(body);
    return StandardReplyMeaning(body, requestBody);
}

}  // namespace listen
