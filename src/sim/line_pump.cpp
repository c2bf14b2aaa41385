#include "sim/line_pump.h"

#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

struct Outgoing {
    Clock::time_point due;
    QByteArray bytes;
};

// Milliseconds until `when`, rounded up so that poll() never wakes just before it and spins.
int MillisecondsUntil(Clock::time_point when, Clock::time_point now) {
    if (when <= now) return 0;
    const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    return static_cast<int>(std::min<long long>((micro + 999) / 1000, 60000));
}

int EarlierTimeout(int current, int candidate) {
    return current < 0 ? candidate : std::min(current, candidate);
}

}  // namespace

LinePump::LinePump(int fd, Handler handler) : fd_(fd), handler_(std::move(handler)) {}

LinePump::~LinePump() {
    stop();
}

bool LinePump::start(QString* error) {
    if (thread_.joinable()) return true;
    if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error) *error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    stopping_ = false;
    thread_ = std::thread(&LinePump::run, this);
    return true;
}

void LinePump::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = write(wake_[1], &wake, 1);
        thread_.join();
    }
    for (int& end : wake_) {
        if (end >= 0) close(end);
        end = -1;
    }
}

void LinePump::run() {
    RequestParser parser;
    std::deque<Outgoing> outgoing;  // ordered by due time
    Clock::time_point lastByte = Clock::now();
    bool lineOpen = true;  // false once the device reported an error or hang-up
    bool waitWritable = false;

    const auto answer = [&](const std::vector<Request>& requests, Clock::time_point now) {
        for (const Request& request : requests) {
            Clock::time_point due = now;
            for (Piece& piece : handler_(request)) {
                due += std::chrono::milliseconds(piece.delayMs);
                // After every piece already due no later, so the pieces of one reply keep order.
                const auto at = std::upper_bound(
                    outgoing.begin(), outgoing.end(), due,
                    [](Clock::time_point t, const Outgoing& out) { return t < out.due; });
                outgoing.insert(at, Outgoing{due, std::move(piece.bytes)});
            }
        }
    };

    while (!stopping_) {
        Clock::time_point now = Clock::now();
        while (lineOpen && !waitWritable && !outgoing.empty() && outgoing.front().due <= now) {
            QByteArray& bytes = outgoing.front().bytes;
            const ssize_t written =
                bytes.isEmpty() ? 0 : write(fd_, bytes.constData(), bytes.size());
            if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
                waitWritable = errno == EAGAIN;
                continue;
            }
            if (written < 0) {
                lineOpen = false;
                break;
            }
            bytes.remove(0, written);
            if (bytes.isEmpty()) outgoing.pop_front();
        }
        if (!lineOpen) outgoing.clear();

        int timeout = -1;
        if (parser.pending())
            timeout = MillisecondsUntil(lastByte + std::chrono::milliseconds(kSilenceMs), now);
        if (!outgoing.empty() && !waitWritable)
            timeout = EarlierTimeout(timeout, MillisecondsUntil(outgoing.front().due, now));

        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
        if (waitWritable) fds[1].events |= POLLOUT;
        const int ready = poll(fds, lineOpen ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) break;
        now = Clock::now();

        if (fds[0].revents & POLLIN) {
            char drain[16];
            while (read(wake_[0], drain, sizeof drain) > 0) {
            }
            continue;  // stopping_ is tested at the top
        }
        if (lineOpen && (fds[1].revents & POLLOUT)) waitWritable = false;
        if (lineOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) {
            char buffer[4096];
            const ssize_t count = read(fd_, buffer, sizeof buffer);
            if (count > 0) {
                lastByte = now;
                answer(parser.feed(QByteArray(buffer, static_cast<int>(count))), now);
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The device is gone; keep serving the timers and the stop request only.
                lineOpen = false;
            }
        }
        if (parser.pending() && now - lastByte >= std::chrono::milliseconds(kSilenceMs))
            answer(parser.flush(), now);
    }
}

}  // namespace sim
