// Wire fidelity: full 64-byte frames through the program's port on a pseudo-terminal whose far
// end echoes every byte back; nothing may be lost, duplicated or changed on the way.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <thread>

#include "bench_support.h"
#include "serial/qt_serial_port.h"

namespace bench {
namespace {

constexpr int kFrameBytes = 64;

// A pseudo-terminal whose master end sends back whatever arrives, on a thread of its own.
class EchoLine {
  public:
    bool open(QString* error) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            *error = QStringLiteral("no pseudo-terminal");
            return false;
        }
        path_ = QString::fromLocal8Bit(ptsname(master_));
        // A slave descriptor of our own keeps the line up while the port closes and reopens.
        keeper_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios tio{};
        tcgetattr(keeper_, &tio);
        cfmakeraw(&tio);
        tcsetattr(keeper_, TCSANOW, &tio);
        thread_ = std::thread([this] { echo(); });
        return true;
    }
    ~EchoLine() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        if (keeper_ >= 0) ::close(keeper_);
        if (master_ >= 0) ::close(master_);
    }
    QString path() const { return path_; }

  private:
    void echo() {
        char buffer[4096];
        while (!stopping_) {
            pollfd pfd{master_, POLLIN, 0};
            if (poll(&pfd, 1, 50) <= 0) continue;
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) continue;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(master_, buffer + done, static_cast<size_t>(n - done));
                if (w <= 0) break;
                done += w;
            }
        }
    }

    int master_ = -1;
    int keeper_ = -1;
    QString path_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

QByteArray MakeFrame(int exchange, std::mt19937& random) {
    QByteArray frame(kFrameBytes, '\0');
    // The first four frames carry every byte value once, in order; the rest are random.
    for (int i = 0; i < kFrameBytes; ++i)
        frame[i] = static_cast<char>(exchange < 4 ? exchange * kFrameBytes + i : random() & 0xFF);
    return frame;
}

}  // namespace

int RunWire(const Args& args) {
    const int exchanges = args.integer("exchanges", 10000);
    const int runs = args.integer("runs", 3);
    const QString settings = args.text("settings", QStringLiteral("9600,n,8,1"));
    EchoLine line;
    QString error;
    if (!line.open(&error)) {
        std::fprintf(stderr, "wire: %s\n", qPrintable(error));
        return 1;
    }
    serial::PortMap map;
    map.devices[0] = line.path();
    serial::QtSerialPort port(map);
    port.setSettings(settings);
    if (!port.open()) {
        std::fprintf(stderr, "wire: %s\n", qPrintable(port.errorText()));
        return 1;
    }
    long long lost = 0, duplicated = 0, changed = 0, badFrames = 0;
    std::vector<double> rates, roundTrips;
    std::mt19937 random(20240611);
    for (int run = 0; run < runs; ++run) {
        std::vector<double> times;
        const Clock::time_point runStart = Clock::now();
        for (int e = 0; e < exchanges; ++e) {
            const QByteArray frame = MakeFrame(e, random);
            const Clock::time_point start = Clock::now();
            // One byte per write, as the window sends a frame.
            for (char byte : frame) port.write(QByteArray(1, byte));
            port.flush();
            QByteArray got;
            const auto deadline = start + std::chrono::seconds(1);
            while (got.size() < kFrameBytes && Clock::now() < deadline) {
                if (port.pendingInputCount() > 0)
                    got += port.readPendingInput();
                else
                    std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            times.push_back(MsBetween(start, Clock::now()));
            const int common = static_cast<int>(std::min<qsizetype>(got.size(), kFrameBytes));
            int differing = 0;
            for (int i = 0; i < common; ++i) differing += got[i] != frame[i];
            changed += differing;
            lost += kFrameBytes - common;
            duplicated += got.size() - common;
            if (got != frame) ++badFrames;
        }
        // Anything still arriving after the last frame would be a duplicate.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        duplicated += port.pendingInputCount();
        if (port.pendingInputCount() > 0) port.readPendingInput();
        const double seconds = MsBetween(runStart, Clock::now()) / 1000;
        rates.push_back(exchanges / seconds);
        roundTrips.push_back(Median(times));
        std::printf(
            "wire run %d: %d frames of %d bytes (%s) in %.1f s, round trip median %.3f "
            "p99 %.3f ms; so far %lld lost, %lld duplicated, %lld changed bytes\n",
            run + 1, exchanges, kFrameBytes, qPrintable(settings), seconds, roundTrips.back(),
            Percentile(times, 99), lost, duplicated, changed);
        std::fflush(stdout);
    }
    const QString where = QStringLiteral(" (%1 × %2 frames of 64 bytes)").arg(runs).arg(exchanges);
    PrintCountRow(QStringLiteral("wire: bytes lost") + where, QStringLiteral("0"), lost, lost == 0);
    PrintCountRow(QStringLiteral("wire: bytes duplicated") + where, QStringLiteral("0"), duplicated,
                  duplicated == 0);
    PrintCountRow(QStringLiteral("wire: bytes changed") + where, QStringLiteral("0"), changed,
                  changed == 0);
    PrintCountRow(QStringLiteral("wire: frames not echoed exactly") + where, QStringLiteral("0"),
                  badFrames, badFrames == 0);
    PrintRow({QStringLiteral("wire: frame round trip, median"), QString(), QStringLiteral("ms"),
              roundTrips, 3});
    PrintRow(
        {QStringLiteral("wire: frames per second"), QString(), QStringLiteral("/s"), rates, 0});
    return 0;
}

}  // namespace bench
