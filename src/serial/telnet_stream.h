// The telnet layer of an RFC 2217 connection: data bytes with 255 (IAC) doubled, option
// negotiation (IAC WILL/WONT/DO/DONT option) and subnegotiation (IAC SB option ... IAC SE)
// interleaved with them in either direction.
#pragma once

#include <QByteArray>
#include <vector>

namespace serial::telnet {

constexpr char kIac = char(255);
constexpr char kDont = char(254);
constexpr char kDo = char(253);
constexpr char kWont = char(252);
constexpr char kWill = char(251);
constexpr char kSb = char(250);
constexpr char kSe = char(240);

constexpr char kBinary = 0;
constexpr char kSuppressGoAhead = 3;
constexpr char kComPortOption = 44;

// Data for the network: every 255 doubled, so that the peer does not take it for a command.
QByteArray EscapeData(const QByteArray& data);
// IAC verb option.
QByteArray Negotiation(char verb, char option);
// IAC SB option payload IAC SE, with 255 in the payload doubled.
QByteArray Subnegotiation(char option, const QByteArray& payload);

struct Command {
    char verb = 0;  // kWill, kWont, kDo, kDont or kSb
    char option = 0;
    QByteArray payload;  // a subnegotiation's bytes after the option, 255 undoubled
};

// Splits what the peer sends into data and commands. A command cut between two network
// segments is completed by the next; bytes that break the telnet grammar are dropped.
class TelnetReader {
  public:
    // The data bytes among `bytes`, in order; the commands among them go to commands().
    QByteArray feed(const QByteArray& bytes);
    // The commands read since the last call.
    std::vector<Command> takeCommands();
    // Forgets a command half read (a new connection starts clean).
    void reset();

  private:
    enum class State { Data, Iac, Verb, Sub, SubOption, SubIac };
    State state_ = State::Data;
    Command current_;
    std::vector<Command> commands_;
};

}  // namespace serial::telnet
