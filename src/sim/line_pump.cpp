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
    bool toTap = false;
};

// A USB adapter's latency timer, and the most it hands on at once.
constexpr std::chrono::milliseconds kTapLatency{16};
constexpr int kTapPiece = 32;

// Microseconds until `when`, at most a minute; the drive paces characters finer than a
// millisecond at the higher baud rates, so it waits in ppoll() rather than poll().
long long MicrosecondsUntil(Clock::time_point when, Clock::time_point now) {
    if (when <= now) return 0;
    const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    return std::min<long long>(micro, 60000000LL);
}

long long EarlierTimeout(long long current, long long candidate) {
    return current < 0 ? candidate : std::min(current, candidate);
}

}  // namespace

LinePump::LinePump(int fd, Handler handler, CharacterTime characterTime)
    : fd_(fd), handler_(std::move(handler)), characterTime_(std::move(characterTime)) {}

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
    // On a wire a request has ended only once its last character has had its wire time, and a
    // reply's character arrives one character time after the drive began to send it; a
    // pseudo-terminal delivers at once, so the pump keeps the wire's clock itself.
    std::chrono::microseconds characterTime{0};
    Clock::time_point inboundEnd = Clock::now();
    Clock::time_point outboundEnd = Clock::now();

    const Clock::time_point tapEpoch = Clock::now();
    const auto schedule = [&](Clock::time_point due, QByteArray bytes, bool toTap = false) {
        // After every item already due no later, so the bytes of one reply keep their order.
        const auto at =
            std::upper_bound(outgoing.begin(), outgoing.end(), due,
                             [](Clock::time_point t, const Outgoing& out) { return t < out.due; });
        outgoing.insert(at, Outgoing{due, std::move(bytes), toTap});
    };
    // The tap hears a byte when its last bit is on the wire; a merging one only at the next
    // tick of its latency timer.
    const auto tap = [&](Clock::time_point heard, const QByteArray& bytes) {
        if (tapFd_ < 0) return;
        if (tapMerging_) {
            const auto ticks = (heard - tapEpoch + kTapLatency - Clock::duration(1)) / kTapLatency;
            heard = tapEpoch + ticks * kTapLatency;
        }
        schedule(heard, bytes, true);
    };
    const auto answer = [&](const std::vector<Request>& requests) {
        for (const Request& request : requests) {
            Clock::time_point start =
                std::max(inboundEnd, outboundEnd) + std::chrono::milliseconds(turnaroundMs_.load());
            for (Piece& piece : handler_(request)) {
                start += std::chrono::milliseconds(piece.delayMs);
                if (characterTime.count() == 0) {
                    schedule(start, std::move(piece.bytes));
                    continue;
                }
                for (qsizetype i = 0; i < piece.bytes.size(); ++i) {
                    schedule(start + characterTime * (i + 1), piece.bytes.mid(i, 1));
                    tap(start + characterTime * (i + 1), piece.bytes.mid(i, 1));
                }
                start += characterTime * piece.bytes.size();
            }
            outboundEnd = std::max(outboundEnd, start);
        }
    };

    while (!stopping_) {
        Clock::time_point now = Clock::now();
        while (lineOpen && !waitWritable && !outgoing.empty() && outgoing.front().due <= now) {
            if (outgoing.front().toTap) {
                // Everything due at once goes in one write, in pieces where the adapter cuts.
                QByteArray heard;
                while (!outgoing.empty() && outgoing.front().toTap && outgoing.front().due <= now &&
                       (!tapMerging_ || heard.size() < kTapPiece)) {
                    heard += outgoing.front().bytes;
                    outgoing.pop_front();
                }
                [[maybe_unused]] const ssize_t ignored =
                    write(tapFd_, heard.constData(), size_t(heard.size()));
                continue;
            }
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

        long long timeout = -1;
        if (parser.pending())
            timeout = MicrosecondsUntil(lastByte + std::chrono::milliseconds(kSilenceMs), now);
        if (!outgoing.empty() && !waitWritable)
            timeout = EarlierTimeout(timeout, MicrosecondsUntil(outgoing.front().due, now));

        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
        if (waitWritable) fds[1].events |= POLLOUT;
        const timespec wait{static_cast<time_t>(timeout / 1000000),
                            static_cast<long>(timeout % 1000000) * 1000};
        const int ready = ppoll(fds, lineOpen ? 2 : 1, timeout < 0 ? nullptr : &wait, nullptr);
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
                if (characterTime_) characterTime = characterTime_();
                const QByteArray bytes(buffer, static_cast<int>(count));
                if (echo_) {
                    // Each character comes back as it is heard; replies wait behind the echo.
                    const Clock::time_point from = std::max(inboundEnd, now);
                    for (qsizetype i = 0; i < bytes.size(); ++i)
                        schedule(from + characterTime * (i + 1), bytes.mid(i, 1));
                    outboundEnd =
                        std::max<Clock::time_point>(outboundEnd, from + characterTime * count);
                }
                const Clock::time_point heardFrom = std::max(inboundEnd, now);
                for (qsizetype i = 0; i < bytes.size(); ++i)
                    tap(heardFrom + characterTime * (i + 1), bytes.mid(i, 1));
                inboundEnd = std::max(inboundEnd, now) + characterTime * count;
                answer(parser.feed(hearing_ ? hearing_(bytes) : bytes));
            } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
                // The device is gone; keep serving the timers and the stop request only.
                lineOpen = false;
            }
        }
        if (parser.pending() && now - lastByte >= std::chrono::milliseconds(kSilenceMs))
            answer(parser.flush());
    }
}

}  // namespace sim
