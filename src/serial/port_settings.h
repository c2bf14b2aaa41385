// The settings text of the port and what it stands for.
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace serial {

// The data-format choices, in the order of their option buttons: the first three frame requests
// in Modbus ASCII, the last three in Modbus RTU.
constexpr int kFormatCount = 6;
constexpr int kBaudCount = 4;
bool IsAsciiFormat(int formatIndex);
// The captions of the data-format buttons ("ASCII 8,N,1" ... " RTU  8,E,1") and the names they
// go by in texts, their spaces simplified ("RTU 8,E,1"); the baud-rate buttons' rates.
QString FormatCaption(int formatIndex);
QString FormatName(int formatIndex);
int BaudRateAt(int baudIndex);

// "9600," + "n,8,1" and so on, from the selected baud-rate and data-format buttons. The parity
// follows the caption (",8,O," odd, ",8,E," even); -1 for a group without selection leaves its
// part out.
QString SettingsText(int baudIndex, int formatIndex);

enum class Parity { None, Even, Odd };

struct PortSettings {
    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;
    // The silence a link adds inside a frame on top of the line's own: a network delivers a
    // reply in bursts, so a frame whose end its bytes do not tell ends only after this much more.
    std::chrono::microseconds linkSilence{0};
};

// Reads a settings text such as "9600,n,8,1"; nothing for a text the port cannot take.
std::optional<PortSettings> ParseSettings(const QString& text);

// Bits on the wire per character: start bit, data bits, parity bit, stop bits.
int BitsPerCharacter(const PortSettings& settings);

// Wire time of one character at these settings.
std::chrono::microseconds CharacterTime(const PortSettings& settings);

// The silence that ends a Modbus RTU frame: 3.5 character times, and a fixed 1750 us above
// 19200 baud, as the Modbus serial line guide allows.
std::chrono::microseconds FrameGap(const PortSettings& settings);

}  // namespace serial
