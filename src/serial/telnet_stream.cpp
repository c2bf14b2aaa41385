#include "serial/telnet_stream.h"

namespace serial::telnet {
namespace {

// The longest subnegotiation kept: the port-control answers hold a few bytes, a signature a few
// dozen; a peer that never ends one does not fill the memory.
constexpr int kLongestPayload = 256;

}  // namespace

QByteArray EscapeData(const QByteArray& data) {
    if (!data.contains(kIac)) return data;
    QByteArray escaped;
    escaped.reserve(data.size() + 8);
    for (char byte : data) {
        escaped += byte;
        if (byte == kIac) escaped += kIac;
    }
    return escaped;
}

QByteArray Negotiation(char verb, char option) {
    return QByteArray() + kIac + verb + option;
}

QByteArray Subnegotiation(char option, const QByteArray& payload) {
    return QByteArray() + kIac + kSb + option + EscapeData(payload) + kIac + kSe;
}

QByteArray TelnetReader::feed(const QByteArray& bytes) {
    QByteArray data;
    for (char byte : bytes) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Iac;
                } else {
                    data += byte;
                }
                break;
            case State::Iac:
                if (byte == kIac) {
                    data += kIac;
                    state_ = State::Data;
                } else if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
                    current_ = Command{byte, 0, {}};
                    state_ = State::Verb;
                } else if (byte == kSb) {
                    current_ = Command{kSb, 0, {}};
                    state_ = State::SubOption;
                } else {
                    // NOP, GA, BRK and the like carry nothing for a serial line.
                    state_ = State::Data;
                }
                break;
            case State::Verb:
                current_.option = byte;
                commands_.push_back(current_);
                state_ = State::Data;
                break;
            case State::SubOption:
                current_.option = byte;
                state_ = State::Sub;
                break;
            case State::Sub:
                if (byte == kIac) {
                    state_ = State::SubIac;
                } else if (current_.payload.size() < kLongestPayload) {
                    current_.payload += byte;
                }
                break;
            case State::SubIac:
                if (byte == kIac) {
                    if (current_.payload.size() < kLongestPayload) current_.payload += kIac;
                    state_ = State::Sub;
                } else {
                    // IAC SE ends the subnegotiation; any other command inside it is a fault
                    // of the peer, and the subnegotiation is taken as ended there.
                    if (byte == kSe) commands_.push_back(current_);
                    state_ = State::Data;
                }
                break;
        }
    }
    return data;
}

std::vector<Command> TelnetReader::takeCommands() {
    std::vector<Command> taken;
    taken.swap(commands_);
    return taken;
}

void TelnetReader::reset() {
    state_ = State::Data;
    current_ = Command{};
    commands_.clear();
}

}  // namespace serial::telnet
