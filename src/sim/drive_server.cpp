#include "sim/drive_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "sim/line_open.h"
#include "sim/line_pump.h"
#include "sim/reply_builder.h"

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

bool IsSymbolicLink(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool Exists(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0;
}

// What a pseudo-terminal shows of the program's settings: the parity enable flag is lost there,
// so even parity and none count as the same.
bool SameLine(const serial::PortSettings& seen, const serial::PortSettings& own) {
    const auto odd = [](const serial::PortSettings& s) { return s.parity == serial::Parity::Odd; };
    return seen.baudRate == own.baudRate && seen.stopBits == own.stopBits &&
           seen.dataBits == own.dataBits && odd(seen) == odd(own);
}

}  // namespace

DriveServer::DriveServer(int address) : address_(address), lastSyncMs_(NowMs()) {}

DriveServer::~DriveServer() {
    stop();
}

bool DriveServer::startPseudoTerminal(QString* slavePath, QString* error) {
    stop();
    kind_ = LineKind::PseudoTerminal;
    return openLine(slavePath, error);
}

bool DriveServer::startDevice(const QString& path, const QString& settingsText, QString* error) {
    stop();
    const std::optional<serial::PortSettings> settings = serial::ParseSettings(settingsText);
    if (!settings || !SupportedBaud(settings->baudRate)) {
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

bool DriveServer::reopen(QString* path, QString* error) {
    closeLine();
    return openLine(path, error);
}

void DriveServer::stop() {
    closeLine();
}

bool DriveServer::serving() const {
    return pump_ != nullptr;
}

QString DriveServer::devicePath() const {
    return path_;
}

void DriveServer::setLinkPath(const QString& linkPath) {
    linkPath_ = linkPath;
}

bool DriveServer::openLine(QString* path, QString* error) {
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
    if (!pump_->start(error)) {
        closeLine();
        return false;
    }
    if (path) *path = path_;
    return true;
}

void DriveServer::closeLine() {
    pump_.reset();  // joins the thread before its descriptor goes
    if (kind_ == LineKind::PseudoTerminal && !linkPath_.isEmpty() && fd_ >= 0) {
        const QByteArray link = linkPath_.toLocal8Bit();
        if (IsSymbolicLink(link)) unlink(link.constData());
    }
    for (int* fd : {&slaveFd_, &fd_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    path_.clear();
}

void DriveServer::setTurnaround(int milliseconds) {
    turnaroundMs_ = std::clamp(milliseconds, 0, kLongestTurnaroundMs);
    if (pump_) pump_->setTurnaround(std::chrono::milliseconds(turnaroundMs_.load()));
}

std::vector<Piece> DriveServer::handle(const Request& request) {
    if (strictLine_ && kind_ == LineKind::PseudoTerminal) {
        const std::optional<serial::PortSettings> seen = ReadLineSettings(fd_);
        if (!seen || !SameLine(*seen, ownLine_)) {
            if (trace_)
                trace_(QStringLiteral("<- request on a line set otherwise than the drive: silent"));
            return {};
        }
    }
    std::optional<QByteArray> reply;
    std::vector<Piece> pieces;
    Injection injection;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requestsSeen_;
        syncClockLocked();
        reply = BuildReply(request, address_, model_);
        injection = injection_;
        if (reply) pieces = Shape(*reply, request.framing, injection, random_);
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
    if (!stepped_) model_.advance(static_cast<int>(std::min(now - lastSyncMs_, 3600000LL)));
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

void DriveServer::setFaultCode(int code) {
    updateModel([code](DriveModel& model) { model.setFaultCode(code); });
}

void DriveServer::setSteppedClock(bool stepped) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    stepped_ = stepped;
}

void DriveServer::advance(int milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    model_.advance(milliseconds);
}

DriveModel DriveServer::model() const {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    return model_;
}

void DriveServer::updateModel(const std::function<void(DriveModel&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    change(model_);
}

int DriveServer::requestsSeen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestsSeen_;
}

void DriveServer::setTrace(std::function<void(const QString&)> trace) {
    trace_ = std::move(trace);
}

}  // namespace sim
