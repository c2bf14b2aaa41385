// Arbitrary texts in the nine field boxes, separated by '|' (address, command, length, function,
// five data boxes), composed in both framings. Every frame must keep the shape and the check its
// framing promises, and the simulated drive must read it back as exactly the body composed.
#include <algorithm>

#include "convert/conversions.h"
#include "frame/checksum.h"
#include "frame/frame_composer.h"
#include "fuzz_support.h"
#include "sim/request_parser.h"

namespace {

using frame::Framing;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not what the composer writes
}

void CheckRtu(const QByteArray& frame, const QByteArray& body, int length) {
    FUZZ_REQUIRE(frame.size() == length + 5 && frame.size() <= 25);
    FUZZ_REQUIRE(frame.left(body.size()) == body);
    // The CRC of a frame that ends in its own CRC (low byte first) is 0.
    FUZZ_REQUIRE(frame::Crc16Modbus(frame) == 0);
}

void CheckAscii(const QByteArray& frame, const QByteArray& body, int length) {
    FUZZ_REQUIRE(frame.size() == 2 * length + 11 && frame.size() <= 51);
    FUZZ_REQUIRE(frame.startsWith(':') && frame.endsWith("\r\n"));
    QByteArray decoded;
    quint8 sum = 0;
    for (qsizetype i = 1; i + 2 < frame.size(); i += 2) {
        const int high = HexDigit(frame[i]);
        const int low = HexDigit(frame[i + 1]);
        FUZZ_REQUIRE(high >= 0 && low >= 0);
        decoded.append(char(high * 16 + low));
        sum = quint8(sum + high * 16 + low);
    }
    FUZZ_REQUIRE(decoded.chopped(1) == body);
    // The LRC makes the byte sum of body and check a multiple of 256.
    FUZZ_REQUIRE(sum == 0);
}

void CheckParsedBack(const QByteArray& frame, Framing framing, const QByteArray& body) {
    sim::RequestParser parser;
    const std::vector<sim::Request> found = parser.feed(frame);
    FUZZ_REQUIRE(found.size() == 1);
    FUZZ_REQUIRE(found[0].framing == framing && found[0].body == body);
    FUZZ_REQUIRE(!parser.pending());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList texts = fuzz::Fields(fuzz::Bytes(data, size));
    frame::RequestFields fields;
    QString* const boxes[] = {&fields.address,  &fields.command, &fields.length,
                              &fields.function, &fields.data[0], &fields.data[1],
                              &fields.data[2],  &fields.data[3], &fields.data[4]};
    for (int i = 0; i < 9 && i < texts.size(); ++i) *boxes[i] = texts[i];

    // The length as the box is read: a 16-bit value, limited to what keeps a frame in the grid.
    const qint64 lengthValue =
        conv::RoundToInt(conv::ReadNumber(fields.length), conv::IntWidth::Int16);
    const int length = int(std::clamp<qint64>(lengthValue, 0, frame::kMaxLength));

    const QByteArray body = frame::ComposeBody(fields);
    FUZZ_REQUIRE(body.size() == length + 3);
    FUZZ_REQUIRE(quint8(body[2]) == length);

    const QByteArray rtu = frame::ComposeFrame(fields, Framing::Rtu);
    CheckRtu(rtu, body, length);
    CheckParsedBack(rtu, Framing::Rtu, body);

    const QByteArray ascii = frame::ComposeFrame(fields, Framing::Ascii);
    CheckAscii(ascii, body, length);
    CheckParsedBack(ascii, Framing::Ascii, body);
    return 0;
}
