#include "sim/drive_server.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>

#include "sim/line_garble.h"
#include "sim/line_open.h"
#include "sim/line_pump.h"
#include "sim/qt_tcp_drive.h"
#include "sim/reply_builder.h"
#include "sim/tcp_listener.h"

namespace sim {
namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString HexText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString FramingName(frame::Framing framing) {
    return framing == frame::Framing::Rtu ? QStringLiteral("RTU") : QStringLiteral("ASCII");
}

#ifdef Q_OS_UNIX
bool IsSymbolicLink(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool Exists(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0;
}
#endif

// What a pseudo-terminal shows of the program's settings: the parity enable flag is lost there,
// so even parity and none count as the same.
bool SameLine(const serial::PortSettings& seen, const serial::PortSettings& own) {
    const auto odd = [](const serial::PortSettings& s) { return s.parity == serial::Parity::Odd; };
    return seen.baudRate == own.baudRate && seen.stopBits == own.stopBits &&
           seen.dataBits == own.dataBits && odd(seen) == odd(own);
}

}  // namespace

DriveServer::DriveServer(int address)
    : address_(address), drives_{{address, DriveModel(), 0}}, lastSyncMs_(NowMs()) {}

void DriveServer::setEcho(bool echo) {
    echo_ = echo;
#ifdef Q_OS_UNIX
    if (pump_) pump_->setEcho(echo);
#endif
}

DriveServer::~DriveServer() {
    stop();
#ifdef Q_OS_UNIX
    for (int fd : {tapFd_, tapSlaveFd_})
        if (fd >= 0) close(fd);
#endif
}

bool DriveServer::startPseudoTerminal(QString* slavePath, QString* error) {
    stop();
    kind_ = LineKind::PseudoTerminal;
    return openLine(slavePath, error);
}

bool DriveServer::startDevice(const QString& path, const QString& settingsText, QString* error) {
    stop();
    const std::optional<serial::PortSettings> settings = serial::ParseSettings(settingsText);
#ifdef Q_OS_UNIX
    const bool supported = settings && SupportedBaud(settings->baudRate);
#else
    const bool supported = settings.has_value();  // openLine says why a device is not served
#endif
    if (!supported) {
        if (error)
            *error = QStringLiteral(
                         "bad port setting \"%1\": expected baud,parity,data,stop such "
                         "as 9600,n,8,1 (parity n, e or o)")
                         .arg(settingsText);
        return false;
    }
    kind_ = LineKind::Device;
    devicePathSetting_ = path;
    settingsText_ = settingsText;
    return openLine(nullptr, error);
}

bool DriveServer::startTcp(quint16 port, quint16* boundPort, QString* error) {
    stop();
    kind_ = LineKind::Tcp;
    tcpPort_ = port;
    if (!openLine(nullptr, error)) return false;
    if (boundPort) *boundPort = tcpPort_;
    return true;
}

bool DriveServer::reopen(QString* path, QString* error) {
    closeLine();
    return openLine(path, error);
}

void DriveServer::stop() {
    closeLine();
}

bool DriveServer::serving() const {
#ifdef Q_OS_UNIX
    if (pump_ || listener_) return true;
#endif
    return qtTcp_ != nullptr;
}

QString DriveServer::devicePath() const {
    return path_;
}

void DriveServer::setLinkPath(const QString& linkPath) {
    linkPath_ = linkPath;
}

bool DriveServer::openLine(QString* path, QString* error) {
    if (kind_ == LineKind::Tcp) return openTcp(path, error);
#ifdef Q_OS_UNIX
    if (kind_ == LineKind::PseudoTerminal) {
        PseudoTerminal pty;
        if (!OpenPseudoTerminal(&pty, error)) return false;
        fd_ = pty.master;
        slaveFd_ = pty.slave;
        path_ = pty.slavePath;
        if (!linkPath_.isEmpty()) {
            const QByteArray link = linkPath_.toLocal8Bit();
            if (IsSymbolicLink(link)) unlink(link.constData());
            if (Exists(link) || symlink(path_.toLocal8Bit().constData(), link.constData()) != 0) {
                if (error) *error = QStringLiteral("cannot create the link %1").arg(linkPath_);
                closeLine();
                return false;
            }
        }
    } else if (kind_ == LineKind::Device) {
        const std::optional<serial::PortSettings> settings = serial::ParseSettings(settingsText_);
        if (!settings) return false;
        fd_ = OpenSerialDevice(devicePathSetting_, *settings, error);
        if (fd_ < 0) return false;
        path_ = devicePathSetting_;
    } else {
        if (error) *error = QStringLiteral("the drive was never started");
        return false;
    }
    // A real UART sends at the line's pace by itself; a pseudo-terminal needs the pump to.
    LinePump::CharacterTime characterTime;
    if (kind_ == LineKind::PseudoTerminal) {
        characterTime = [fd = fd_] {
            const std::optional<serial::PortSettings> line = ReadLineSettings(fd);
            return line ? serial::CharacterTime(*line) : std::chrono::microseconds(0);
        };
    }
    pump_ = std::make_unique<LinePump>(
        fd_, [this](const Request& r) { return handle(r); }, characterTime);
    pump_->setTurnaround(std::chrono::milliseconds(turnaroundMs_.load()));
    pump_->setEcho(echo_);
    pump_->setTap(tapFd_, tapMerging_);
    if (kind_ == LineKind::PseudoTerminal)
        pump_->setHearing([this](const QByteArray& bytes) { return heard(bytes); });
    if (!pump_->start(error)) {
        closeLine();
        return false;
    }
    if (path) *path = path_;
    return true;
#else
    if (error)
        *error = QStringLiteral(
            "pseudo-terminals and serial devices are served on Linux only; use the TCP side");
    return false;
#endif
}

// A gateway's serial side runs at the drive's own settings, so a reply reaches the network no
// faster than its wire time.
bool DriveServer::openTcp(QString* path, QString* error) {
    const std::chrono::microseconds wireCharacter = serial::CharacterTime(ownLine_);
#ifdef Q_OS_UNIX
    // Each connection gets a pump of its own.
    listener_ = std::make_unique<TcpListener>();
    const auto makePump = [this, wireCharacter](int fd) {
        auto pump = std::make_unique<LinePump>(
            fd, [this](const Request& r) { return handle(r); },
            [wireCharacter] { return wireCharacter; });
        pump->setTurnaround(std::chrono::milliseconds(turnaroundMs_.load()));
        pump->setEcho(echo_);
        return pump;
    };
    if (!listener_->start(tcpPort_, makePump, &tcpPort_, error)) {
        listener_.reset();
        return false;
    }
#else
    qtTcp_ = std::make_unique<QtTcpDrive>([this](const Request& r) { return handle(r); },
                                          wireCharacter, [this] { return turnaroundMs_.load(); },
                                          [this] { return echo_.load(); });
    if (!qtTcp_->start(tcpPort_, &tcpPort_, error)) {
        qtTcp_.reset();
        return false;
    }
#endif
    path_ = QStringLiteral("tcp://127.0.0.1:%1").arg(tcpPort_);
    if (path) *path = path_;
    return true;
}

void DriveServer::closeLine() {
    qtTcp_.reset();
#ifdef Q_OS_UNIX
    pump_.reset();  // joins the thread before its descriptor goes
    listener_.reset();
    if (kind_ == LineKind::PseudoTerminal && !linkPath_.isEmpty() && fd_ >= 0) {
        const QByteArray link = linkPath_.toLocal8Bit();
        if (IsSymbolicLink(link)) unlink(link.constData());
    }
    for (int* fd : {&slaveFd_, &fd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
#endif
    path_.clear();
}

void DriveServer::setTurnaround(int milliseconds) {
    turnaroundMs_ = std::clamp(milliseconds, 0, kLongestTurnaroundMs);
#ifdef Q_OS_UNIX
    if (pump_) pump_->setTurnaround(std::chrono::milliseconds(turnaroundMs_.load()));
#endif
}

// On a strict line the drive hears a request sent at other settings the way its UART would:
// garbled characters that make no frame. A pseudo-terminal shows the program's baud rate, stop
// bits and odd parity; the rest is taken to be the drive's own.
QByteArray DriveServer::heard(const QByteArray& bytes) const {
    if (!strictLine_) return bytes;
#ifdef Q_OS_UNIX
    const std::optional<serial::PortSettings> seen = ReadLineSettings(fd_);
#else
    const std::optional<serial::PortSettings> seen;
#endif
    if (!seen || SameLine(*seen, ownLine_)) return bytes;
    serial::PortSettings sender = ownLine_;
    sender.baudRate = seen->baudRate;
    sender.stopBits = seen->stopBits;
    if (seen->parity == serial::Parity::Odd)
        sender.parity = serial::Parity::Odd;
    else if (ownLine_.parity == serial::Parity::Odd)
        sender.parity = serial::Parity::None;
    const QByteArray garbled = HeardAs(bytes, sender, ownLine_);
    if (trace_)
        trace_(QStringLiteral("<- heard at other line settings as %1").arg(HexText(garbled)));
    return garbled;
}

std::vector<Piece> DriveServer::handle(const Request& request) {
#ifdef Q_OS_UNIX
    if (strictLine_ && kind_ == LineKind::PseudoTerminal) {
        const std::optional<serial::PortSettings> seen = ReadLineSettings(fd_);
        if (!seen || !SameLine(*seen, ownLine_)) {
            if (trace_)
                trace_(QStringLiteral("<- request on a line set otherwise than the drive: silent"));
            return {};
        }
    }
#endif
    std::optional<QByteArray> reply;
    std::vector<Piece> pieces;
    Injection injection;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requestsSeen_;
        ++commandsSeen_[request.command()];
        syncClockLocked();
        int extraDelayMs = 0;
        for (Drive& drive : drives_) {
            const bool asked = request.address() == drive.address;
            if (!asked && request.address() != kBroadcastAddress) continue;
            reply = BuildReply(request, drive.address, drive.model);
            extraDelayMs = std::max(0, drive.turnaroundMs - turnaroundMs_.load());
            if (asked) break;
        }
        injection = injection_;
        if (reply) pieces = Shape(*reply, request.framing, injection, random_);
        if (!pieces.empty()) pieces.front().delayMs += extraDelayMs;
    }
    if (const int chunk = chunk_; chunk > 0) {
        // A gateway forwards what it has collected every few milliseconds.
        std::vector<Piece> chunked;
        for (const Piece& piece : pieces)
            for (qsizetype at = 0; at < piece.bytes.size(); at += chunk)
                chunked.push_back(
                    {at == 0 ? piece.delayMs : kChunkPauseMs, piece.bytes.mid(at, chunk)});
        pieces = std::move(chunked);
    }
    if (trace_) {
        trace_(QStringLiteral("<- %1 %2").arg(FramingName(request.framing), HexText(request.body)));
        if (!reply) trace_(QStringLiteral("   (no reply)"));
        for (const Piece& piece : pieces) {
            trace_(QStringLiteral("-> %1 +%2 ms [%3]")
                       .arg(HexText(piece.bytes))
                       .arg(piece.delayMs)
                       .arg(InjectionName(injection)));
        }
    }
    return pieces;
}

void DriveServer::syncClockLocked() const {
    const long long now = NowMs();
    const int passed = static_cast<int>(std::min(now - lastSyncMs_, 3600000LL));
    if (!stepped_)
        for (Drive& drive : drives_) drive.model.advance(passed);
    lastSyncMs_ = now;
}

void DriveServer::setInjection(Injection injection) {
    std::lock_guard<std::mutex> lock(mutex_);
    injection_ = injection;
}

Injection DriveServer::injection() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return injection_;
}

void DriveServer::setSteppedClock(bool stepped) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    stepped_ = stepped;
}

int DriveServer::requestsSeen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestsSeen_;
}

int DriveServer::requestsSeen(int command) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return command >= 0 && command < 256 ? commandsSeen_[std::size_t(command)] : 0;
}

void DriveServer::setTrace(std::function<void(const QString&)> trace) {
    trace_ = std::move(trace);
}

}  // namespace sim
