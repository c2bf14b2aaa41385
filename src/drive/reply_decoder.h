// Reads the drive's replies out of the 64 receive cells.
//
// Reply layout: address, command, length, function number, data bytes, then the check of the
// framing. In RTU the bytes stand one per receive cell from the address cell s; in ASCII they
// stand as two hexadecimal characters each after the colon cell s.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "frame/frame_composer.h"

namespace drive {

constexpr int kGridCells = 64;

// The receive grid as shown: two hexadecimal digits per received byte in `hex`, the byte's
// character in `chars`, both empty beyond the last received byte.
struct ReceiveGrid {
    std::array<QString, kGridCells> hex;
    std::array<QString, kGridCells> chars;
};

// The text a result box shows when the drive did not answer usably: nothing or one byte came,
// no start was found, or the start lies too near cell 63 for the cells the decoding reads.
QString NoReplyText();

// A reply counts as present when receive cell 1 holds a byte (two bytes arrived); when the reply
// wait ended without letting a single event run (nothing was sent), cell 0 is tested instead.
bool ReplyPresent(const ReceiveGrid& grid, bool waitMadePass);

// First cell holding the colon (3A).
std::optional<int> FindAsciiStart(const ReceiveGrid& grid);

// First non-empty cell whose byte equals the inverter address.
std::optional<int> FindRtuStart(const ReceiveGrid& grid, double address);

// The reading of the parameter-read button: the data as decimal text (two data bytes as a
// signed 16-bit value when the length is 3, otherwise one data byte), or NoReplyText().
QString DecodeParameter(const ReceiveGrid& grid, frame::Framing framing, double address,
                        bool waitMadePass);

struct MonitorItem {
    int item;             // the number written into the function box
    double divisor;       // the drive reports in units of 1 / divisor
    const char* pattern;  // display pattern with unit
};

// The eight monitored values, in item order 0..7.
const std::array<MonitorItem, 8>& MonitorItems();

// Two data bytes, high first, as a signed 16-bit value, scaled and rendered, or NoReplyText().
QString DecodeMonitor(const ReceiveGrid& grid, frame::Framing framing, double address,
                      bool waitMadePass, const MonitorItem& item);

// "NO ERROR" for 0, otherwise "E." + category name + phase letter; a category without a name
// shows the raw code as two hexadecimal digits ("E.34H") so the drive manual can be consulted.
QString FaultText(int code);

// The fault-code reading: the first data byte through FaultText, or NoReplyText().
QString DecodeFault(const ReceiveGrid& grid, frame::Framing framing, double address,
                    bool waitMadePass);

}  // namespace drive
