// The simulated drive's thread on one line: reads requests, writes the pieces of each reply when
// they fall due, and sleeps in poll() in between.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "sim/injection.h"
#include "sim/request_parser.h"

namespace sim {

// A partial frame followed by this much silence will not be completed: the sender has finished,
// so the held bytes are searched once more and dropped. A Modbus RTU frame ends after 3.5
// character times of silence, under 8 ms even at 4800 baud.
constexpr int kSilenceMs = 20;

class LinePump {
  public:
    // Runs on the pump's thread for every valid request; returns what to write in reply.
    using Handler = std::function<std::vector<Piece>(const Request&)>;

    // The wire time of one character on the line as it is set now; zero where the line paces
    // itself (a real UART). Asked on the pump's thread for every request.
    using CharacterTime = std::function<std::chrono::microseconds()>;

    // `fd` stays owned by the caller and must stay open until stop() returns.
    LinePump(int fd, Handler handler, CharacterTime characterTime = {});

    // What the drive hears of the bytes that arrive, before they are read as requests: on a line
    // set otherwise than the drive, garbled characters. Asked on the pump's thread.
    using Hearing = std::function<QByteArray(const QByteArray&)>;
    void setHearing(Hearing hearing) { hearing_ = std::move(hearing); }
    // Every byte that arrives comes back at once, before any reply, as a two-wire adapter whose
    // receiver stays on while sending plays the master's request back to it; any thread.
    void setEcho(bool echo) { echo_ = echo; }

    // Every byte on the line, the master's and the drive's, is also written to `fd` at its wire
    // time, as a second receiver on the wire would hear it. `merging` delivers them as a USB
    // adapter with a 16 ms latency timer does: up to 32 bytes at a time, across frame
    // boundaries. Nobody reading: the bytes are dropped. Set before start().
    void setTap(int fd, bool merging) {
        tapFd_ = fd;
        tapMerging_ = merging;
    }

    // The drive's processing time between the end of a request and its reply; any thread.
    void setTurnaround(std::chrono::milliseconds turnaround) {
        turnaroundMs_ = int(turnaround.count());
    }
    ~LinePump();
    LinePump(const LinePump&) = delete;
    LinePump& operator=(const LinePump&) = delete;

    bool start(QString* error);
    // Wakes the thread and waits for it to end; replies not yet written are dropped.
    void stop();

  private:
    void run();

    int fd_;
    Handler handler_;
    CharacterTime characterTime_;
    std::atomic<int> turnaroundMs_{0};
    std::atomic<bool> echo_{false};
    Hearing hearing_;
    int tapFd_ = -1;
    bool tapMerging_ = false;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace sim
