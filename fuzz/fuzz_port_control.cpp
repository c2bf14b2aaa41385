// RFC 2217 port control against any gateway answers. Bytes 0-3 are the baud rate asked (big
// endian, below 2^31), byte 4 the format (bits 0-1 data bits 5 to 8, bits 2-3 parity, bit 4
// two stop bits), byte 5 after how many of the gateway's bytes the settings are asked again
// (255 never); the rest is what the gateway sends, read a byte at a time through telnet.
//
// After every byte the line counts as set only when, for each of the four settings, the last
// well-formed answer since the request holds exactly the bytes asked; it counts as refused as
// soon as one such answer holds others, and then says why.
#include <array>
#include <optional>

#include "fuzz_support.h"
#include "serial/com_port_control.h"
#include "serial/telnet_stream.h"

namespace {

namespace telnet = serial::telnet;
using State = serial::ComPortControl::State;

constexpr int kServerOffset = 100;

// The answer that confirms setting `index` (0 baud, 1 data size, 2 parity, 3 stop size): the
// request's own payload with the server's code, as RFC 2217 lays it out.
QByteArray Confirmation(const serial::PortSettings& asked, int index) {
    const int parity = asked.parity == serial::Parity::Odd    ? 2
                       : asked.parity == serial::Parity::Even ? 3
                                                              : 1;
    QByteArray payload(1, char(kServerOffset + 1 + index));
    switch (index) {
        case 0:
            for (int shift = 24; shift >= 0; shift -= 8)
                payload += char((quint32(asked.baudRate) >> shift) & 0xFF);
            break;
        case 1:
            payload += char(asked.dataBits);
            break;
        case 2:
            payload += char(parity);
            break;
        default:
            payload += char(asked.stopBits);
            break;
    }
    return payload;
}

// The gateway's answers as the model keeps them: the last answer of the right length to each
// setting since the settings were asked.
struct Model {
    serial::PortSettings asked;
    std::array<std::optional<QByteArray>, 4> last;

    void answer(const QByteArray& payload) {
        for (int i = 0; i < 4; ++i) {
            const QByteArray wanted = Confirmation(asked, i);
            if (payload.size() == wanted.size() && payload[0] == wanted[0])
                last[std::size_t(i)] = payload;
        }
    }
    State state() const {
        bool all = true;
        for (int i = 0; i < 4; ++i) {
            const auto& said = last[std::size_t(i)];
            if (!said) {
                all = false;
            } else if (*said != Confirmation(asked, i)) {
                return State::Refused;
            }
        }
        return all ? State::Confirmed : State::Waiting;
    }
};

serial::PortSettings Settings(const std::uint8_t* data) {
    serial::PortSettings settings;
    settings.baudRate =
        int((quint32(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3]) & 0x7FFFFFFF);
    settings.dataBits = 5 + (data[4] & 3);
    settings.parity = (data[4] >> 2) % 3 == 0   ? serial::Parity::None
                      : (data[4] >> 2) % 3 == 1 ? serial::Parity::Odd
                                                : serial::Parity::Even;
    settings.stopBits = data[4] & 0x10 ? 2 : 1;
    return settings;
}

// The request reads as the four subnegotiations that carry the settings, nothing else; echoed
// back with the server's codes it confirms them.
void CheckRequest(const serial::PortSettings& asked) {
    serial::ComPortControl control;
    telnet::TelnetReader reader;
    FUZZ_REQUIRE(reader.feed(control.request(asked)).isEmpty());
    const std::vector<telnet::Command> commands = reader.takeCommands();
    FUZZ_REQUIRE(commands.size() == 4);
    for (int i = 0; i < 4; ++i) {
        const telnet::Command& command = commands[std::size_t(i)];
        FUZZ_REQUIRE(command.verb == telnet::kSb && command.option == telnet::kComPortOption);
        QByteArray echo = command.payload;
        echo[0] = char(echo[0] + kServerOffset);
        FUZZ_REQUIRE(echo == Confirmation(asked, i));
        FUZZ_REQUIRE(control.state() != State::Confirmed);
        control.answer(echo);
    }
    FUZZ_REQUIRE(control.state() == State::Confirmed && control.refusal().isEmpty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const serial::PortSettings first = Settings(data);
    serial::PortSettings again = first;
    again.dataBits = 5 + ((first.dataBits - 5 + 3) & 3);  // asked again, something else
    const std::size_t askAgainAt = data[5];
    CheckRequest(first);

    serial::ComPortControl control;
    control.request(first);
    Model model{first, {}};
    telnet::TelnetReader reader;
    State shown = State::Waiting;
    for (std::size_t at = 6; at < size; ++at) {
        if (at - 6 == askAgainAt) {
            control.request(again);
            model = Model{again, {}};
        }
        reader.feed(fuzz::Bytes(data + at, 1));
        for (const telnet::Command& command : reader.takeCommands()) {
            if (command.verb != telnet::kSb || command.option != telnet::kComPortOption) continue;
            control.answer(command.payload);
            model.answer(command.payload);
        }
        const State state = control.state();
        FUZZ_REQUIRE(state == model.state());
        // The reason is made up in words: asked for when the state changes, as the line does.
        if (state != shown || at + 1 == size)
            FUZZ_REQUIRE(control.refusal().isEmpty() == (state != State::Refused));
        shown = state;
    }
    return 0;
}
