// What a listener hears on a bus, in the pieces and at the times a port delivers it, through
// the frame splitter and the pairing as the listener drives them (a pass at every read and at
// every deadline before the next read).
//
// Byte 0: bit 0 ASCII framing, bits 1-2 the baud-rate button, bit 3 no timer passes. Then
// reads, each a header byte and its bytes: bits 0-5 the count, bits 6-7 the silence before the
// read's last byte beyond its wire time (0: none, 1: two characters, 2: the next byte in 100 us,
// 3: the next two bytes in 100 us).
//
// Every byte heard belongs to exactly one frame, in order: the frames' bytes put together are
// the stream. A whole frame's check holds, and frames come in time order. The pairing hands
// every frame on exactly once, numbered 1, 2, ... in the order heard, with the pairs pointing
// at each other and a request before its reply.
#include <vector>

#include "frame/checksum.h"
#include "frame/frame_reader.h"
#include "fuzz_support.h"
#include "listen/bus_pairing.h"
#include "listen/frame_splitter.h"

namespace {

using listen::BusFrame;
using listen::HeardFrame;

struct Listener {
    listen::FrameSplitter splitter;
    listen::BusPairing pairing;
    std::vector<BusFrame> frames;   // as the splitter cut them
    std::vector<HeardFrame> heard;  // as the pairing handed them on
    bool passes = true;

    void collect() {
        for (BusFrame& frame : splitter.take()) {
            pairing.add(frame);
            frames.push_back(std::move(frame));
        }
    }
    void pass(qint64 nowUs) {
        splitter.idle(nowUs);
        collect();
        pairing.idle(nowUs);
        for (HeardFrame& frame : pairing.take()) heard.push_back(std::move(frame));
    }
    // The deadline timer's passes until the read at `nowUs`.
    void waitUntil(qint64 nowUs) {
        for (int guard = 0; passes && guard < 1000; ++guard) {
            qint64 next = splitter.nextDeadlineUs();
            const qint64 answer = pairing.nextDeadlineUs();
            if (next < 0 || (answer >= 0 && answer < next)) next = answer;
            if (next < 0 || next > nowUs) return;
            pass(next);
        }
    }
    void finish() {
        splitter.flush();
        collect();
        pairing.flush();
        for (HeardFrame& frame : pairing.take()) heard.push_back(std::move(frame));
    }
};

bool WholeFrame(const QByteArray& bytes, frame::Framing framing) {
    if (framing == frame::Framing::Ascii)
        return frame::ReadAsciiFrame(bytes.constData(), int(bytes.size()), false).outcome ==
               frame::ReadOutcome::Frame;
    if (bytes.size() < 4) return false;
    const quint16 crc = frame::Crc16Modbus(bytes.chopped(2));
    return quint8(bytes[bytes.size() - 2]) == (crc & 0xFF) &&
           quint8(bytes[bytes.size() - 1]) == (crc >> 8);
}

void CheckFrames(const Listener& listener, const QByteArray& stream, frame::Framing framing) {
    QByteArray joined;
    qint64 lastEnd = 0;
    for (const BusFrame& frame : listener.frames) {
        FUZZ_REQUIRE(!frame.bytes.isEmpty());
        joined += frame.bytes;
        FUZZ_REQUIRE(frame.firstByteUs < frame.lastByteUs && frame.lastByteUs >= lastEnd);
        lastEnd = frame.lastByteUs;
        if (frame.shape == listen::FrameShape::Whole)
            FUZZ_REQUIRE(WholeFrame(frame.bytes, framing));
    }
    FUZZ_REQUIRE(joined == stream);
}

void CheckPairing(const Listener& listener) {
    const std::vector<HeardFrame>& heard = listener.heard;
    FUZZ_REQUIRE(heard.size() == listener.frames.size());
    for (std::size_t i = 0; i < heard.size(); ++i) {
        const HeardFrame& frame = heard[i];
        FUZZ_REQUIRE(frame.number == i + 1);
        FUZZ_REQUIRE(frame.frame.bytes == listener.frames[i].bytes);
        FUZZ_REQUIRE(frame.frame.lastByteUs == listener.frames[i].lastByteUs);
        if (frame.role == listen::FrameRole::Reply) {
            FUZZ_REQUIRE(frame.pairedWith >= 1 && frame.pairedWith < frame.number);
            const HeardFrame& request = heard[frame.pairedWith - 1];
            FUZZ_REQUIRE(request.role == listen::FrameRole::Request);
            FUZZ_REQUIRE(request.pairedWith == frame.number);
            FUZZ_REQUIRE(request.verdict == frame.verdict);
        } else if (frame.role == listen::FrameRole::Request && frame.pairedWith != 0) {
            FUZZ_REQUIRE(frame.pairedWith > frame.number && frame.pairedWith <= heard.size());
            FUZZ_REQUIRE(heard[frame.pairedWith - 1].pairedWith == frame.number);
        } else {
            FUZZ_REQUIRE(frame.pairedWith == 0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const frame::Framing framing = data[0] & 1 ? frame::Framing::Ascii : frame::Framing::Rtu;
    serial::PortSettings line;
    line.baudRate = serial::BaudRateAt((data[0] >> 1) & 3);
    Listener listener{
        listen::FrameSplitter(line, framing), listen::BusPairing(framing), {}, {}, !(data[0] & 8)};
    const qint64 characterUs = listener.splitter.characterUs();

    QByteArray stream;
    qint64 nowUs = 1'000'000;
    std::size_t at = 1;
    while (at < size) {
        const std::uint8_t header = data[at++];
        qint64 silenceUs = 0;
        switch (header >> 6) {
            case 1:
                silenceUs = 2 * characterUs;
                break;
            case 2:
                silenceUs = at < size ? 100 * data[at++] : 0;
                break;
            case 3:
                silenceUs = at + 1 < size ? 100 * (data[at] << 8 | data[at + 1]) : 0;
                at = std::min(at + 2, size);
                break;
        }
        const std::size_t count = std::min<std::size_t>(header & 0x3F, size - at);
        const QByteArray bytes = fuzz::Bytes(data + at, count);
        at += count;
        nowUs += silenceUs + characterUs * qint64(count);
        listener.waitUntil(nowUs);
        if (!bytes.isEmpty()) listener.splitter.feed(bytes, nowUs);
        stream += bytes;
        listener.pass(nowUs);
    }
    listener.finish();

    CheckFrames(listener, stream, framing);
    CheckPairing(listener);
    return 0;
}
