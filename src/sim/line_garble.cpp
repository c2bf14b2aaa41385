#include "sim/line_garble.h"

#include <vector>

namespace sim {
namespace {

using serial::Parity;
using serial::PortSettings;

// A character on the wire: start bit 0, data bits least significant first, the parity bit,
// stop bits 1. The line idles at 1.
void AppendCharacter(std::vector<bool>& bits, quint8 byte, const PortSettings& line) {
    bits.push_back(false);
    int ones = 0;
    for (int i = 0; i < line.dataBits; ++i) {
        const bool bit = (byte >> i) & 1;
        ones += bit;
        bits.push_back(bit);
    }
    if (line.parity == Parity::Even) bits.push_back(ones % 2 != 0);
    if (line.parity == Parity::Odd) bits.push_back(ones % 2 == 0);
    for (int i = 0; i < line.stopBits; ++i) bits.push_back(true);
}

}  // namespace

QByteArray HeardAs(const QByteArray& bytes, const PortSettings& sender,
                   const PortSettings& receiver) {
    std::vector<bool> bits;
    for (char byte : bytes) AppendCharacter(bits, quint8(byte), sender);
    const double senderBit = 1.0 / sender.baudRate;
    const double receiverBit = 1.0 / receiver.baudRate;
    const double end = double(bits.size()) * senderBit;
    const auto level = [&](double t) {
        if (t < 0) return true;
        const auto index = static_cast<std::size_t>(t / senderBit);
        return index >= bits.size() || bits[index];
    };
    // The receiver looks for a falling edge at 16 samples a bit, as UARTs do, then samples
    // each bit in its middle.
    const double step = receiverBit / 16;
    QByteArray heard;
    for (double t = 0; t < end; t += step) {
        if (level(t) || !level(t - step) || level(t + receiverBit / 2)) continue;
        const double start = t;
        int value = 0, ones = 0;
        double at = start + 1.5 * receiverBit;
        for (int i = 0; i < receiver.dataBits; ++i, at += receiverBit) {
            const bool bit = level(at);
            value |= int(bit) << i;
            ones += bit;
        }
        bool sound = true;
        if (receiver.parity != Parity::None) {
            const bool odd = (ones + int(level(at))) % 2 != 0;
            sound = odd == (receiver.parity == Parity::Odd);
            at += receiverBit;
        }
        sound = sound && level(at);  // the stop bit
        heard.append(char(sound ? value : 0));
        t = at;  // the next start bit comes after the middle of this stop bit
    }
    return heard;
}

}  // namespace sim
