#include "sim/simulated_master.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "drive/drive_requests.h"
#include "sim/line_open.h"

namespace sim {
namespace {

constexpr std::chrono::seconds kReplyTimeout{1};
constexpr std::chrono::milliseconds kGap{2};

// Whether the bytes hold a whole reply of the drive's layout: its length byte says where an RTU
// frame ends, CR LF an ASCII one.
bool ReplyEnded(const QByteArray& reply, frame::Framing framing) {
    if (framing == frame::Framing::Ascii) return reply.endsWith("\r\n");
    return reply.size() >= 3 && reply.size() >= 5 + quint8(reply.at(2));
}

}  // namespace

SimulatedMaster::SimulatedMaster(Options options) : options_(std::move(options)) {}

SimulatedMaster::~SimulatedMaster() {
    stop();
}

bool SimulatedMaster::start(QString* error) {
    fd_ = OpenSerialDevice(options_.path, options_.line, error);
    if (fd_ < 0) return false;
    if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error) *error = QStringLiteral("pipe failed");
        close(fd_);
        fd_ = -1;
        return false;
    }
    stopping_ = false;
    thread_ = std::thread(&SimulatedMaster::run, this);
    return true;
}

void SimulatedMaster::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = write(wake_[1], &wake, 1);
        thread_.join();
    }
    for (int* fd : {&fd_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

QStringList SimulatedMaster::log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void SimulatedMaster::note(const char* arrow, const QByteArray& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_ << QStringLiteral("%1 %2").arg(QLatin1String(arrow),
                                        QString::fromLatin1(bytes.toHex().toUpper()));
}

void SimulatedMaster::run() {
    using Clock = std::chrono::steady_clock;
    constexpr int kReadings = 9;  // monitor items 0..7 and the fault code
    std::size_t turn = 0;
    Clock::time_point next = Clock::now();
    Clock::time_point lastByte = next;
    bool lineGone = false;  // the drive's end closed: sleep out the intervals, read nothing
    while (!stopping_) {
        const int address = options_.addresses[turn / kReadings % options_.addresses.size()];
        const int item = int(turn % kReadings);
        ++turn;
        QByteArray body;
        body.append(char(address)).append(char(drive::kReadMonitor)).append(char(1));
        body.append(char(item));
        const QByteArray request = options_.framing == frame::Framing::Rtu
                                       ? frame::RtuFrame(body)
                                       : frame::AsciiFrame(body);
        note("->", request);
        [[maybe_unused]] const ssize_t sent = write(fd_, request.constData(), request.size());
        // What comes back before the next request is its reply. As a master on a half-duplex
        // bus does, the next request waits for the reply's end (or a second without one), then
        // for the interval, and never goes out within a frame gap of the reply.
        const Clock::time_point sentAt = Clock::now();
        next += std::chrono::milliseconds(options_.intervalMs);
        QByteArray reply;
        while (!stopping_) {
            const Clock::time_point now = Clock::now();
            const bool replyEnded = ReplyEnded(reply, options_.framing);
            if (replyEnded || now - sentAt > kReplyTimeout) next = std::max(next, lastByte + kGap);
            const auto left =
                (replyEnded || now - sentAt > kReplyTimeout ? next : now + kGap) - now;
            if (left <= Clock::duration::zero()) break;
            pollfd fds[2] = {{wake_[0], POLLIN, 0}, {fd_, POLLIN, 0}};
            const int ms = int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
            if (poll(fds, lineGone ? 1 : 2, ms) <= 0) continue;
            if (fds[0].revents & POLLIN) break;
            char buffer[512];
            const ssize_t count = read(fd_, buffer, sizeof buffer);
            if (count > 0) {
                reply.append(buffer, int(count));
                lastByte = Clock::now();
            } else if (count == 0 || errno != EAGAIN) {
                lineGone = true;
            }
        }
        next = std::max(next, Clock::now());
        if (!reply.isEmpty()) note("<-", reply);
    }
}

}  // namespace sim
