// A scripted serial port: records what the program does to the line and plays back replies.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "serial/serial_port.h"

class FakeSerialPort : public serial::SerialPort {
  public:
    // One thing the program did to the port, in order: "open 1 9600,n,8,1", "close",
    // "rts off", "rts on", "write 3A", "drain".
    QStringList events;
    QByteArray written;
    int openCount = 0;
    bool refuseOpen = false;

    // Answers a complete frame: called at drain with every byte written since the last answer;
    // the answer arrives from the event loop once the send has returned, `replyDelayMs` later.
    std::function<QByteArray(const QByteArray&)> responder;
    int replyDelayMs = 0;
    // Bytes that arrive while the next request goes out, as the rest of a late reply does; they
    // are in the input buffer when the drain returns.
    QByteArray duringSend;

    void setPortNumber(int number) override { portNumber_ = number; }
    void setSettings(const QString& text) override { settings_ = text; }
    const QString& settings() const { return settings_; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    QString errorText() const override { return error_; }
    void write(const QByteArray& bytes) override;
    std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) override;
    int pendingInputCount() override;
    QByteArray readPendingInput() override;
    void setRts(bool on) override;

    // Puts bytes into the input buffer as if they had arrived from the line, and tells the
    // program as the real port does from its event loop.
    void arrive(const QByteArray& bytes);
    // Bytes that have arrived but whose news the program has not had yet.
    void arriveUnannounced(const QByteArray& bytes) { input_.append(bytes); }
    // The same `ms` milliseconds from now, from the event loop.
    void arriveLater(int ms, const QByteArray& bytes);

    // A network's pauses inside a reply, as burstSilence() reports them.
    std::chrono::microseconds linkSilence{0};
    std::chrono::microseconds burstSilence() const override { return linkSilence; }
    // When the last drain returned, and when each arrival reached the input, in order.
    std::chrono::steady_clock::time_point drainedAt;
    std::vector<std::chrono::steady_clock::time_point> arrivalTimes;

    // The bytes of each write, one entry per write call.
    std::vector<QByteArray> writes;
    // The bytes written before each drain: one entry per request sent.
    std::vector<QByteArray> frames;

  private:
    void answer();

    QObject timers_;  // context of arriveLater(), so nothing arrives after the port is gone
    bool open_ = false;
    int portNumber_ = 1;
    QString settings_ = QStringLiteral("9600,n,8,1");
    QString error_;
    QByteArray input_;
    QByteArray unanswered_;
    QByteArray undrained_;
};
