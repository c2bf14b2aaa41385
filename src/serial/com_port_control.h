// Setting a serial device server's port over RFC 2217 (telnet com-port control): the requests
// for baud rate, data size, parity and stop size, and whether the server's answers confirm them.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

#include "serial/port_settings.h"

namespace serial {

class ComPortControl {
  public:
    enum class State { Waiting, Confirmed, Refused };

    // The four subnegotiations that set the server's port to `settings`, ready for the network;
    // the answers to an earlier request no longer count.
    QByteArray request(const PortSettings& settings);
    // Takes the payload of a com-port subnegotiation from the server (its command code first).
    // Notifications and answers to other commands are let pass.
    void answer(const QByteArray& payload);
    State state() const;
    // What the server set instead of what was asked, in plain words; empty unless refused.
    QString refusal() const;

  private:
    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY, SET-STOPSIZE, in this order.
    std::array<quint32, 4> asked_{};
    std::array<std::optional<quint32>, 4> answered_;
};

}  // namespace serial
