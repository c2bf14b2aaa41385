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
    if (!ParseLineSettings(settingsText, error)) return false;
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
        const std::optional<LineSettings> settings = ParseLineSettings(settingsText_, error);
        if (!settings) return false;
        fd_ = OpenSerialDevice(devicePathSetting_, *settings, error);
        if (fd_ < 0) return false;
        path_ = devicePathSetting_;
    } else {
        if (error) *error = QStringLiteral("the drive was never started");
        return false;
    }
    pump_ = std::make_unique<LinePump>(fd_, [this](const Request& r) { return handle(r); });
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

std::vector<Piece> DriveServer::handle(const Request& request) {
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

void DriveServer::setSeed(quint32 seed) {
    std::lock_guard<std::mutex> lock(mutex_);
    random_.seed(seed);
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
