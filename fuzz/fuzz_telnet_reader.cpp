// The telnet layer of an RFC 2217 gateway's stream, cut into network segments. The first byte
// seeds the cuts (segment sizes 0 to 40, an empty segment now and then) and, with its two top
// bits set, adds the endless subnegotiation check; the rest is the stream.
//
// The data and commands read must be what a plain decoder of the whole stream finds: 255 255
// undoubled to one 255, negotiations and subnegotiations taken out, bytes against the grammar
// dropped, however the stream was cut. A subnegotiation that never ends holds no more memory
// than its bounded payload.
#include <sanitizer/allocator_interface.h>

#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "serial/telnet_stream.h"

namespace {

namespace telnet = serial::telnet;

// What the reader keeps of a subnegotiation's payload; the rest is dropped.
constexpr int kKeptPayload = 256;

struct Decoded {
    QByteArray data;
    std::vector<telnet::Command> commands;
};

bool SameCommands(const std::vector<telnet::Command>& a, const std::vector<telnet::Command>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].verb != b[i].verb || a[i].option != b[i].option || a[i].payload != b[i].payload)
            return false;
    return true;
}

bool IsVerb(char byte) {
    return byte == telnet::kWill || byte == telnet::kWont || byte == telnet::kDo ||
           byte == telnet::kDont;
}

// The whole stream at once, by looking ahead rather than by states: a command cut off by the
// end of the stream yields nothing.
Decoded Reference(const QByteArray& s) {
    Decoded out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        if (s[i] != telnet::kIac) {
            out.data += s[i++];
            continue;
        }
        if (i + 1 >= n) break;
        const char verb = s[i + 1];
        if (verb == telnet::kIac) {
            out.data += telnet::kIac;
            i += 2;
        } else if (IsVerb(verb)) {
            if (i + 2 >= n) break;
            out.commands.push_back({verb, s[i + 2], {}});
            i += 3;
        } else if (verb == telnet::kSb) {
            if (i + 2 >= n) break;
            telnet::Command sub{telnet::kSb, s[i + 2], {}};
            qsizetype j = i + 3;
            for (;;) {
                if (j >= n) return out;  // still open at the end
                char byte = s[j];
                if (byte == telnet::kIac) {
                    if (j + 1 >= n) return out;
                    const char next = s[j + 1];
                    j += 2;
                    if (next == telnet::kSe) {
                        out.commands.push_back(sub);
                        break;
                    }
                    if (next != telnet::kIac) break;  // another command ends it unfinished
                } else {
                    ++j;
                }
                if (sub.payload.size() < kKeptPayload) sub.payload += byte;
            }
            i = j;
        } else {
            i += 2;  // NOP, GA and the like
        }
    }
    return out;
}

// The stream in segments whose sizes follow from `seed`; all in one with no seed.
Decoded Feed(telnet::TelnetReader& reader, const QByteArray& stream, std::optional<quint32> seed) {
    Decoded out;
    qsizetype at = 0;
    while (at < stream.size()) {
        qsizetype size = stream.size();
        if (seed) {
            *seed = *seed * 1103515245u + 12345u;
            size = *seed >> 28 == 0 ? 0 : (*seed >> 16) % 41;
        }
        out.data += reader.feed(stream.mid(at, size));
        for (telnet::Command& command : reader.takeCommands())
            out.commands.push_back(std::move(command));
        at += size;
    }
    return out;
}

// An endless subnegotiation of `filler` (no 255 in it): the reader's memory stays put, and
// IAC SE at last delivers the first 256 bytes.
void CheckEndlessSubnegotiation(QByteArray filler) {
    filler.replace(telnet::kIac, "");
    if (filler.isEmpty()) filler = "x";
    telnet::TelnetReader reader;
    reader.feed(QByteArray() + telnet::kIac + telnet::kSb + telnet::kComPortOption);
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    qsizetype fed = 0;
    while (fed < 16 * 1024) {
        FUZZ_REQUIRE(reader.feed(filler).isEmpty());
        fed += filler.size();
        FUZZ_REQUIRE(__sanitizer_get_current_allocated_bytes() < before + 4096);
    }
    reader.feed(QByteArray() + telnet::kIac + telnet::kSe);
    const std::vector<telnet::Command> commands = reader.takeCommands();
    FUZZ_REQUIRE(commands.size() == 1 && commands[0].payload.size() == kKeptPayload);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const QByteArray stream = fuzz::Bytes(data + 1, size - 1);

    const Decoded expected = Reference(stream);
    telnet::TelnetReader whole;
    const Decoded once = Feed(whole, stream, std::nullopt);
    telnet::TelnetReader cut;
    const Decoded pieces = Feed(cut, stream, data[0]);
    for (const Decoded* read : {&once, &pieces}) {
        FUZZ_REQUIRE(read->data == expected.data);
        FUZZ_REQUIRE(SameCommands(read->commands, expected.commands));
        for (const telnet::Command& command : read->commands)
            FUZZ_REQUIRE(command.payload.size() <= kKeptPayload);
    }
    // Every byte alone, as a slow gateway may send them.
    telnet::TelnetReader bytewise;
    QByteArray bytewiseData;
    for (char byte : stream) bytewiseData += bytewise.feed(QByteArray(1, byte));
    FUZZ_REQUIRE(bytewiseData == expected.data);
    FUZZ_REQUIRE(SameCommands(bytewise.takeCommands(), expected.commands));

    // What is escaped reads back as itself after any half-read command has been forgotten.
    cut.reset();
    FUZZ_REQUIRE(Feed(cut, telnet::EscapeData(stream), data[0]).data == stream);

    if ((data[0] & 0xC0) == 0xC0) CheckEndlessSubnegotiation(stream);
    return 0;
}
