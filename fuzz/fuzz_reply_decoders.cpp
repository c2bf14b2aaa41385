// The reply decoders over any receive grid. The first byte chooses how the rest is read:
//   bit 0  ASCII framing (else RTU)            bit 1  the reply wait let events run
//   bit 2  grid cells from '|'-separated texts (hex cells, then character cells), else the grid
//          the receive action builds from the remaining bytes
//   bit 3  the inverter address is the bit pattern of the next 8 bytes (any double, as the
//          address box may read), else the next byte
#include <cstring>

#include "convert/conversions.h"
#include "drive/reply_decoder.h"
#include "exchange/exchange_text.h"
#include "fuzz_support.h"

namespace {

using frame::Framing;

drive::ReceiveGrid GridFromBytes(const QByteArray& bytes) {
    const exchange::GridTexts texts = exchange::ReceiveGridTexts(bytes);
    FUZZ_REQUIRE(texts.shown == qMin<qsizetype>(bytes.size(), exchange::kCells));
    drive::ReceiveGrid grid;
    for (int i = 0; i < exchange::kCells; ++i) {
        if (i < texts.shown) {
            const auto byte = quint8(bytes[i]);
            FUZZ_REQUIRE(texts.hex[i] == conv::HexByteText(byte) && texts.hex[i].size() == 2);
            FUZZ_REQUIRE(conv::ReadHex(texts.hex[i]) == byte);
            FUZZ_REQUIRE(texts.chars[i] == conv::CharOf(byte));
        } else {
            FUZZ_REQUIRE(texts.hex[i].isEmpty() && texts.chars[i].isEmpty());
        }
        grid.hex[i] = texts.hex[i];
        grid.chars[i] = texts.chars[i];
    }
    return grid;
}

drive::ReceiveGrid GridFromTexts(const QByteArray& bytes) {
    const QStringList texts = fuzz::Fields(bytes);
    drive::ReceiveGrid grid;
    for (int i = 0; i < texts.size() && i < 2 * drive::kGridCells; ++i) {
        if (i < drive::kGridCells) {
            grid.hex[i] = texts[i];
        } else {
            grid.chars[i - drive::kGridCells] = texts[i];
        }
    }
    return grid;
}

void CheckDecoders(const drive::ReceiveGrid& grid, Framing framing, double address, bool pass) {
    const QString none = drive::NoReplyText();

    const QString parameter = drive::DecodeParameter(grid, framing, address, pass);
    FUZZ_REQUIRE(!parameter.isEmpty());
    if (parameter != none) {
        const double read = conv::ReadNumber(parameter);
        FUZZ_REQUIRE(conv::DecimalText(qint64(read)) == parameter);
    }

    for (const drive::MonitorItem& item : drive::MonitorItems()) {
        const QString shown = drive::DecodeMonitor(grid, framing, address, pass, item);
        const QString pattern = QString::fromUtf8(item.pattern);
        FUZZ_REQUIRE(!shown.isEmpty());
        FUZZ_REQUIRE(shown == none || shown.endsWith(pattern.mid(pattern.indexOf(u' '))));
    }

    const QString fault = drive::DecodeFault(grid, framing, address, pass);
    FUZZ_REQUIRE(fault == none || fault == QLatin1String("NO ERROR") || fault.startsWith(u"E."));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t mode = data[0];
    const Framing framing = mode & 1 ? Framing::Ascii : Framing::Rtu;
    const bool pass = mode & 2;
    std::size_t used = 1;
    double address = data[used++];
    if (mode & 8 && size >= 1 + sizeof address) {
        std::memcpy(&address, data + 1, sizeof address);
        used = 1 + sizeof address;
    }
    const QByteArray rest = fuzz::Bytes(data + used, size - used);

    const drive::ReceiveGrid grid = mode & 4 ? GridFromTexts(rest) : GridFromBytes(rest);
    CheckDecoders(grid, framing, address, pass);

    // The same bytes as the exchange log shows them.
    const int counter = exchange::NextCounter(int(mode) * 129 - 1);
    FUZZ_REQUIRE(counter >= 0 && counter <= 32767);
    const QString line = exchange::LogLine(counter, exchange::Direction::Received, rest);
    FUZZ_REQUIRE(line.startsWith(u'[') && line.endsWith(u" )"));
    return 0;
}
