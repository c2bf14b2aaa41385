#include "drive/reply_decoder.h"

#include "convert/conversions.h"

namespace drive {

namespace {

// Offsets from the start cell s. In RTU they count bytes after the address cell; in ASCII they
// count characters after the colon, two per byte.
constexpr int kRtuLength = 2;
constexpr int kRtuData1 = 4;
constexpr int kRtuData2 = 5;
constexpr int kAsciiLength = 5;  // and s + 6
constexpr int kAsciiData1 = 9;   // and s + 10
constexpr int kAsciiData2 = 11;  // and s + 12

// The start of the reply such that every cell up to s + lastOffset lies inside the grid; a
// reply that starts too late to hold those cells is treated as no reply at all.
std::optional<int> StartWithRoom(const ReceiveGrid& grid, frame::Framing framing, double address,
                                 int lastOffset) {
    const std::optional<int> start =
        framing == frame::Framing::Ascii ? FindAsciiStart(grid) : FindRtuStart(grid, address);
    if (!start || *start + lastOffset >= kGridCells) return std::nullopt;
    return start;
}

// The character cells from `first` to `last` joined; empty cells of a cut-off reply add nothing.
QString JoinChars(const ReceiveGrid& grid, int first, int last) {
    QString text;
    for (int i = first; i <= last; ++i) text += grid.chars[i];
    return text;
}

// The reply digits as a whole number. Four digits are a signed 16-bit value, fewer digits the
// plain smaller number; nothing beyond that range can come out of at most four digits.
qint64 HexValue(const QString& digits) {
    return conv::RoundToInt(conv::ReadHex(digits), conv::IntWidth::Int32);
}

// The two data bytes, high first, as text to be read as hexadecimal; std::nullopt when the
// reply starts too late in the grid to hold them.
std::optional<QString> TwoDataBytes(const ReceiveGrid& grid, frame::Framing framing,
                                    double address) {
    if (framing == frame::Framing::Ascii) {
        const auto s = StartWithRoom(grid, framing, address, kAsciiData2 + 1);
        if (!s) return std::nullopt;
        return JoinChars(grid, *s + kAsciiData1, *s + kAsciiData2 + 1);
    }
    const auto s = StartWithRoom(grid, framing, address, kRtuData2);
    if (!s) return std::nullopt;
    return grid.hex[*s + kRtuData1] + grid.hex[*s + kRtuData2];
}

// The first data byte as text to be read as hexadecimal, or std::nullopt as above.
std::optional<QString> FirstDataByte(const ReceiveGrid& grid, frame::Framing framing,
                                     double address) {
    if (framing == frame::Framing::Ascii) {
        const auto s = StartWithRoom(grid, framing, address, kAsciiData1 + 1);
        if (!s) return std::nullopt;
        return JoinChars(grid, *s + kAsciiData1, *s + kAsciiData1 + 1);
    }
    const auto s = StartWithRoom(grid, framing, address, kRtuData1);
    if (!s) return std::nullopt;
    return grid.hex[*s + kRtuData1];
}

// Whether the reply's length byte says 3 (function number and two data bytes), in which case
// the parameter value fills both data bytes; std::nullopt when the length lies off the grid.
std::optional<bool> LengthIsThree(const ReceiveGrid& grid, frame::Framing framing, double address) {
    if (framing == frame::Framing::Ascii) {
        const auto s = StartWithRoom(grid, framing, address, kAsciiLength + 1);
        if (!s) return std::nullopt;
        return JoinChars(grid, *s + kAsciiLength, *s + kAsciiLength + 1) == QLatin1String("03");
    }
    const auto s = StartWithRoom(grid, framing, address, kRtuLength);
    if (!s) return std::nullopt;
    return conv::ReadHex(grid.hex[*s + kRtuLength]) == 3;
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

bool ReplyPresent(const ReceiveGrid& grid, bool waitMadePass) {
    // Without a pass the grid still holds an earlier exchange, which may be a single byte.
    return !grid.hex[waitMadePass ? 1 : 0].isEmpty();
}

std::optional<int> FindAsciiStart(const ReceiveGrid& grid) {
    for (int s = 0; s < kGridCells; ++s) {
        if (grid.hex[s] == QLatin1String("3A")) return s;
    }
    return std::nullopt;
}

std::optional<int> FindRtuStart(const ReceiveGrid& grid, double address) {
    // An empty cell reads as 0 but is no received byte, so it never matches address 0.
    for (int s = 0; s < kGridCells; ++s) {
        if (!grid.hex[s].isEmpty() && conv::ReadHex(grid.hex[s]) == address) return s;
    }
    return std::nullopt;
}

QString DecodeParameter(const ReceiveGrid& grid, frame::Framing framing, double address,
                        bool waitMadePass) {
    if (!ReplyPresent(grid, waitMadePass)) return NoReplyText();
    const std::optional<bool> twoBytes = LengthIsThree(grid, framing, address);
    if (!twoBytes) return NoReplyText();
    const std::optional<QString> digits =
        *twoBytes ? TwoDataBytes(grid, framing, address) : FirstDataByte(grid, framing, address);
    if (!digits) return NoReplyText();
    return conv::DecimalText(HexValue(*digits));
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

QString DecodeMonitor(const ReceiveGrid& grid, frame::Framing framing, double address,
                      bool waitMadePass, const MonitorItem& item) {
    if (!ReplyPresent(grid, waitMadePass)) return NoReplyText();
    const std::optional<QString> digits = TwoDataBytes(grid, framing, address);
    if (!digits) return NoReplyText();
    const double value = static_cast<double>(HexValue(*digits)) / item.divisor;
    return conv::Picture(value, QString::fromUtf8(item.pattern));
}

QString FaultText(int code) {
    // The drive reports the code in one byte; bits 6 and 7 carry no meaning for the display.
    const int byte = code & 0xFF;
    if (byte == 0) return QStringLiteral("NO ERROR");
    const char* name = kFaultNames[(byte >> 2) & 15];
    if (*name == '\0') return QStringLiteral("E.") + conv::HexByteText(byte) + QLatin1Char('H');
    return QStringLiteral("E.") + QLatin1String(name) + QLatin1String(kPhaseLetters[byte & 3]);
}

QString DecodeFault(const ReceiveGrid& grid, frame::Framing framing, double address,
                    bool waitMadePass) {
    if (!ReplyPresent(grid, waitMadePass)) return NoReplyText();
    const std::optional<QString> digits = FirstDataByte(grid, framing, address);
    if (!digits) return NoReplyText();
    return FaultText(static_cast<int>(HexValue(*digits)));
}

}  // namespace drive
