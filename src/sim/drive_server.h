// The simulated drive on a serial line: a drive model answering requests on a pseudo-terminal
// or a real serial device, on a thread of its own.
//
// Requests for a drive's address are answered in their own framing, broadcasts (address 0)
// are carried out silently by every drive, requests for other addresses and frames that fail
// their check are ignored. Starting, stopping and reopening belong to one controlling thread; every
// other control may be called from any thread while the drive serves.
#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "serial/port_settings.h"
#include "sim/drive_model.h"
#include "sim/injection.h"

namespace sim {

class LinePump;
class QtTcpDrive;
class TcpListener;
struct Request;

// A drive takes a few milliseconds to answer; tests and --demo play more.
constexpr int kDefaultTurnaroundMs = 5;
constexpr int kLongestTurnaroundMs = 500;
// The pause between the pieces of a chunked reply.
constexpr int kChunkPauseMs = 10;

class DriveServer {
  public:
    explicit DriveServer(int address = 1);
    ~DriveServer();
    DriveServer(const DriveServer&) = delete;
    DriveServer& operator=(const DriveServer&) = delete;

    // Creates a pseudo-terminal and serves its master end; the program opens `slavePath`.
    bool startPseudoTerminal(QString* slavePath, QString* error);
    // Serves the drive over TCP on 127.0.0.1:`port` (0: a free port, put into `boundPort`), as a
    // serial device server in raw mode does: bytes both ways, no line settings. Set the
    // turnaround, echo and chunking before starting.
    bool startTcp(quint16 port, quint16* boundPort, QString* error);
    // Replies leave in pieces of `bytes` bytes with a pause between, as gateways forward them.
    void setChunk(int bytes) { chunk_ = bytes; }
    // Serves a serial device with a port setting such as "9600,n,8,1" (serial::ParseSettings).
    bool startDevice(const QString& path, const QString& settingsText, QString* error);

    // Ends serving and closes the line: a pseudo-terminal vanishes, a device is released. The
    // drive model is kept. Also done by the destructor.
    void stop();
    // Opens a line again the way it was last started: a fresh pseudo-terminal (its path may
    // differ; a link path follows it) or the same device. `path` receives the device path.
    bool reopen(QString* path, QString* error);

    bool serving() const;

    // The drive's answer to one request, as the line's end hears it: for a line the program
    // runs itself (InProcessLine). Any thread.
    std::vector<Piece> answer(const Request& request) { return handle(request); }
    // The first drive's address.
    int address() const { return address_; }

    // Several drives on the one line, each with its own model, at these addresses (the first
    // one is address()'s drive, which model() and updateModel() reach). Set before starting.
    void setDrives(const std::vector<int>& addresses);
    std::vector<int> addresses() const;
    DriveModel model(int address) const;

    // The line plays every request back before any reply, as an echoing two-wire adapter does.
    void setEcho(bool echo);
    // The path the program opens: the pseudo-terminal's slave or the device; empty when stopped.
    QString devicePath() const;

    // Makes `linkPath` a symbolic link to each pseudo-terminal the drive creates, so a port
    // name stays valid across stop() and reopen(). Set before starting; an existing symbolic
    // link there is replaced, any other file is left alone and the start fails.
    void setLinkPath(const QString& linkPath);

    // The time between the end of a request on the line and the reply's first character.
    // On a pseudo-terminal the drive also writes each character at its wire time for the line
    // settings the program has set, as a drive on a wire would be heard.
    void setTurnaround(int milliseconds);
    int turnaround() const { return turnaroundMs_; }

    // The drive's own line settings. With a strict line, a request on a pseudo-terminal set to
    // other settings gets no answer, as a real drive hears only noise then.
    void setOwnLine(const serial::PortSettings& settings) { ownLine_ = settings; }
    void setStrictLine(bool strict) { strictLine_ = strict; }

    void setInjection(Injection injection);
    Injection injection() const;
    void setFaultCode(int code);

    // With a stepped clock the model's time passes only through advance(), so replies carry
    // exactly predictable values; otherwise it follows the wall clock. Off by default.
    void setSteppedClock(bool stepped);
    void advance(int milliseconds);

    // A copy of the drive model as it stands now.
    DriveModel model() const;
    // Changes the model under the server's lock, e.g. to start the drive before a test; the
    // first drive's, or every drive's.
    void updateModel(const std::function<void(DriveModel&)>& change);
    void updateEveryModel(const std::function<void(DriveModel&)>& change);
    // The drive at `address`; false when no drive has it.
    bool updateModel(int address, const std::function<void(DriveModel&)>& change);
    // One drive answers later than the line's turnaround: its own, when longer. Any thread.
    bool setDriveTurnaround(int address, int milliseconds);

    // Valid frames received so far, for any address; and those with this command.
    int requestsSeen() const;
    int requestsSeen(int command) const;

    // A second pseudo-terminal that carries every byte on the line at its wire time: the
    // master's requests and the drives' replies, as a listener on the wire hears them;
    // `merging` delivers them as a USB adapter does (LinePump::setTap). Call before starting a
    // pseudo-terminal or device; `path` receives the tap's path. Linux only.
    bool startTap(bool merging, QString* path, QString* error);

    // Called on the drive's thread with one line of text per request and per reply; set it
    // before starting.
    void setTrace(std::function<void(const QString&)> trace);

  private:
    enum class LineKind { None, PseudoTerminal, Device, Tcp };

    bool openLine(QString* path, QString* error);
    bool openTcp(QString* path, QString* error);
    void closeLine();
    std::vector<Piece> handle(const Request& request);
    void syncClockLocked() const;
    QByteArray heard(const QByteArray& bytes) const;
    struct Drive {
        int address;
        DriveModel model;
        int turnaroundMs = 0;  // its own; the line's turnaround when that is longer
    };

    int address_;
    LineKind kind_ = LineKind::None;
    QString devicePathSetting_;
    QString settingsText_;
    QString linkPath_;
    int fd_ = -1;
    int slaveFd_ = -1;
    QString path_;
#ifdef Q_OS_UNIX
    std::unique_ptr<LinePump> pump_;
    int tapFd_ = -1;
    int tapSlaveFd_ = -1;  // held open, so the tap stays while listeners come and go
    bool tapMerging_ = false;
    std::unique_ptr<TcpListener> listener_;
#endif
    std::unique_ptr<QtTcpDrive> qtTcp_;  // the TCP side where there is no poll() loop
    std::atomic<int> chunk_{0};
    quint16 tcpPort_ = 0;
    std::function<void(const QString&)> trace_;
    std::atomic<int> turnaroundMs_{kDefaultTurnaroundMs};
    serial::PortSettings ownLine_;
    std::atomic<bool> strictLine_{false};
    std::atomic<bool> echo_{false};

    mutable std::mutex mutex_;           // guards everything below
    mutable std::vector<Drive> drives_;  // never empty
    mutable long long lastSyncMs_ = 0;
    bool stepped_ = false;
    Injection injection_ = Injection::None;
    std::mt19937 random_{1};
    int requestsSeen_ = 0;
    std::array<int, 256> commandsSeen_{};
};

}  // namespace sim
