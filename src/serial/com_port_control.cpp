#include "serial/com_port_control.h"

#include <QCoreApplication>
#include <QStringList>

#include "serial/telnet_stream.h"

namespace serial {
namespace {

// The client's command codes are 1 to 4; the server answers each with its code plus 100 and
// the value it set. Values are big-endian: the baud rate in four bytes, the others in one.
constexpr char kSetBaudRate = 1;
constexpr int kServerOffset = 100;
constexpr int kCommands = 4;

// RFC 2217's parity codes: 1 none, 2 odd, 3 even (4 mark and 5 space are not offered here).
quint32 ParityCode(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return 2;
        case Parity::Even:
            return 3;
        case Parity::None:
            break;
    }
    return 1;
}

QString ParityName(quint32 code) {
    switch (code) {
        case 1:
            return QCoreApplication::translate("ComPortControl", "none");
        case 2:
            return QCoreApplication::translate("ComPortControl", "odd");
        case 3:
            return QCoreApplication::translate("ComPortControl", "even");
        case 4:
            return QCoreApplication::translate("ComPortControl", "mark");
        case 5:
            return QCoreApplication::translate("ComPortControl", "space");
        default:
            return QString::number(code);
    }
}

// Stop size 3 is one and a half stop bits.
QString StopName(quint32 code) {
    return code == 3 ? QStringLiteral("1.5") : QString::number(code);
}

}  // namespace

QByteArray ComPortControl::request(const PortSettings& settings) {
    asked_ = {quint32(settings.baudRate), quint32(settings.dataBits), ParityCode(settings.parity),
              quint32(settings.stopBits)};
    answered_.fill(std::nullopt);
    QByteArray baud(1, kSetBaudRate);
    for (int shift = 24; shift >= 0; shift -= 8) baud += char((asked_[0] >> shift) & 0xFF);
    QByteArray bytes = telnet::Subnegotiation(telnet::kComPortOption, baud);
    for (int i = 1; i < kCommands; ++i)
        bytes += telnet::Subnegotiation(telnet::kComPortOption,
                                        QByteArray() + char(kSetBaudRate + i) + char(asked_[i]));
    return bytes;
}

void ComPortControl::answer(const QByteArray& payload) {
    if (payload.isEmpty()) return;
    const int index = int(quint8(payload[0])) - kServerOffset - kSetBaudRate;
    if (index < 0 || index >= kCommands) return;
    // An answer of the wrong length is no answer: the request stays unconfirmed.
    const int valueSize = index == 0 ? 4 : 1;
    if (payload.size() != 1 + valueSize) return;
    quint32 value = 0;
    for (int i = 1; i <= valueSize; ++i) value = (value << 8) | quint8(payload[i]);
    answered_[std::size_t(index)] = value;
}

ComPortControl::State ComPortControl::state() const {
    bool all = true;
    for (std::size_t i = 0; i < asked_.size(); ++i) {
        if (!answered_[i]) {
            all = false;
        } else if (*answered_[i] != asked_[i]) {
            return State::Refused;
        }
    }
    return all ? State::Confirmed : State::Waiting;
}

QString ComPortControl::refusal() const {
    QStringList parts;
    const auto differs = [this](std::size_t i) {
        return answered_[i] && *answered_[i] != asked_[i];
    };
    if (differs(0))
        parts << QCoreApplication::translate("ComPortControl", "%1 baud instead of %2")
                     .arg(*answered_[0])
                     .arg(asked_[0]);
    if (differs(1))
        parts << QCoreApplication::translate("ComPortControl", "%1 data bits instead of %2")
                     .arg(*answered_[1])
                     .arg(asked_[1]);
    if (differs(2))
        parts << QCoreApplication::translate("ComPortControl", "parity %1 instead of %2")
                     .arg(ParityName(*answered_[2]), ParityName(asked_[2]));
    if (differs(3))
        parts << QCoreApplication::translate("ComPortControl", "%1 stop bits instead of %2")
                     .arg(StopName(*answered_[3]), StopName(asked_[3]));
    if (parts.isEmpty()) return QString();
    return QCoreApplication::translate("ComPortControl",
                                       "the gateway refused the setting and kept its port at %1")
        .arg(parts.join(QStringLiteral(", ")));
}

}  // namespace serial
