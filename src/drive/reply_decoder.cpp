#include "drive/reply_decoder.h"

#include "convert/conversions.h"

namespace drive {
namespace {

// Positions in the body: address, command, length, function, then the data bytes.
constexpr int kLength = 2;
constexpr int kFirstData = 4;

int At(const QByteArray& body, int position) {
    return static_cast<quint8>(body.at(position));
}

// Category names indexed by bits 2..5 of the fault code; the case differences are the drive's
// own (OC., oC. and oc. are different faults). Empty entries have no name.
const char* const kFaultNames[16] = {"",    "OC.", "oC.", "oc.", "GF.", "OU.", "Lu.", "OH.",
                                     "OL.", "OA.", "OT.", "LU.", "BT.", "",    "",    ""};
const char* const kPhaseLetters[4] = {"S", "A", "n", "d"};

}  // namespace

QString NoReplyText() {
    return QStringLiteral("无回应");
}

std::optional<int> MonitorValue(const QByteArray& body) {
    if (body.size() < kFirstData + 2) return std::nullopt;
    return static_cast<qint16>(At(body, kFirstData) << 8 | At(body, kFirstData + 1));
}

std::optional<int> ParameterValue(const QByteArray& body) {
    if (body.size() > kLength && At(body, kLength) == 3) return MonitorValue(body);
    return FaultCode(body);
}

std::optional<int> FaultCode(const QByteArray& body) {
    if (body.size() < kFirstData + 1) return std::nullopt;
    return At(body, kFirstData);
}

const std::array<MonitorItem, 8>& MonitorItems() {
    // Frequencies come in hundredths of a hertz, current, voltages and temperature in tenths.
    static const std::array<MonitorItem, 8> items = {{
        {0, 100, "0##.#0 Hz"},
        {1, 100, "0##.#0 Hz"},
        {2, 10, "0##.0 A"},
        {3, 1, "0###0 r/min"},
        {4, 10, "0##.0 DCV"},
        {5, 10, "0##.0 ACV"},
        {6, 1, "0###0 P"},
        {7, 10, "0##.0 度"},
    }};
    return items;
}

QString MonitorText(int raw, const MonitorItem& item) {
    return conv::Picture(raw / item.divisor, QString::fromUtf8(item.pattern));
}

QString FaultText(int code) {
    // The drive reports the code in one byte; bits 6 and 7 carry no meaning for the display.
    const int byte = code & 0xFF;
    if (byte == 0) return QStringLiteral("NO ERROR");
    const char* name = kFaultNames[(byte >> 2) & 15];
    if (*name == '\0') return QStringLiteral("E.") + conv::HexByteText(byte) + QLatin1Char('H');
    return QStringLiteral("E.") + QLatin1String(name) + QLatin1String(kPhaseLetters[byte & 3]);
}

}  // namespace drive
