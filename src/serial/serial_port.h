// The port operations the program uses on its one serial line.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>

namespace serial {

class SerialPort {
  public:
    virtual ~SerialPort();

    // Port number 1..4 and settings text ("9600,n,8,1") for the next open; the port is closed.
    virtual void setPortNumber(int number) = 0;
    virtual void setSettings(const QString& settingsText) = 0;

    // Takes the port with the current number and settings. A failure leaves the port closed and
    // its reason in errorText(); writes are then dropped and reads yield nothing.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorText() const = 0;

    // Queues bytes for transmission after those written before. A port may hold them until
    // flush() or drain(), so that a frame reaches the driver in one piece.
    virtual void write(const QByteArray& bytes) = 0;
    // Hands the bytes written so far to the line without waiting for them to leave.
    virtual void flush() {}
    // Returns once every written byte has left the port, or after `bound` at the latest, with
    // the moment the last of them left as well as the port can tell: replies are timed from it.
    virtual std::chrono::steady_clock::time_point drain(std::chrono::milliseconds bound) = 0;

    // Received bytes not yet read, and all of them in arrival order.
    virtual int pendingInputCount() = 0;
    virtual QByteArray readPendingInput() = 0;
    // The same, but while quiet and bytes were there, the port stays silent about what comes
    // next: a reader that comes back on its own timer while bytes keep coming needs no news,
    // and takes them with readPendingInput() once a read finds the line silent.
    virtual QByteArray readPendingInputWithoutNews() { return readPendingInput(); }

    // The pauses a link may put inside a reply beyond the line's own (a network's bursts).
    virtual std::chrono::microseconds burstSilence() const { return std::chrono::microseconds(0); }

    // Drives the RTS output line at once. Lines that have no RTS (a pseudo-terminal) ignore it.
    virtual void setRts(bool on) = 0;

    // While quiet, the port reports the first byte that arrives and then leaves the rest with
    // the driver until they are read: a reply's characters come one by one on a slow line, and a
    // capture that waits for its 50 ms anyway has no use for a wake-up per character.
    virtual void setQuietArrival(bool quiet) { (void)quiet; }

    // Called when an open port fails on its own (the device vanished); the port is closed by then.
    void setFailureHandler(std::function<void(const QString&)> handler) {
        failureHandler_ = std::move(handler);
    }

    // Called from the event loop when received bytes have come in; the handler takes them with
    // readPendingInput(). It may also be called while a write or drain blocks.
    void setArrivalHandler(std::function<void()> handler) { arrivalHandler_ = std::move(handler); }

  protected:
    void reportFailure(const QString& text) {
        if (failureHandler_) failureHandler_(text);
    }
    void reportArrival() {
        if (arrivalHandler_) arrivalHandler_();
    }

  private:
    std::function<void(const QString&)> failureHandler_;
    std::function<void()> arrivalHandler_;
};

}  // namespace serial
