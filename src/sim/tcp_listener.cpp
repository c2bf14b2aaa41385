#include "sim/tcp_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace sim {

TcpListener::~TcpListener() {
    stop();
}

bool TcpListener::start(quint16 port, PumpMaker makePump, quint16* boundPort, QString* error) {
    stop();
    makePump_ = std::move(makePump);
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listenFd_, 2) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (error)
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                         .arg(port)
                         .arg(QString::fromLocal8Bit(strerror(errno)));
        stop();
        return false;
    }
    if (boundPort) *boundPort = ntohs(address.sin_port);
    stopping_ = false;
    thread_ = std::thread(&TcpListener::run, this);
    return true;
}

void TcpListener::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = write(wake_[1], &wake, 1);
        thread_.join();
    }
    for (int* fd : {&listenFd_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void TcpListener::run() {
    std::unique_ptr<LinePump> pump;
    int connection = -1;
    while (!stopping_) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        if (!(fds[1].revents & POLLIN)) continue;
        const int accepted = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (accepted < 0) continue;
        // A reply leaves in the pieces the drive writes, each at once.
        const int yes = 1;
        setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        // The newest master takes the line over, as a gateway in raw mode lets it.
        pump.reset();
        if (connection >= 0) close(connection);
        connection = accepted;
        pump = makePump_(connection);
        if (!pump->start(nullptr)) pump.reset();
    }
    pump.reset();
    if (connection >= 0) close(connection);
}

}  // namespace sim
