#include "cli/interrupt.h"

#include <QCoreApplication>
#include <QMetaObject>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#endif

namespace {

std::function<void()> gEnd;

#ifdef Q_OS_WIN
// Runs on a thread the system starts for the event: the end is queued to the event loop.
BOOL WINAPI OnConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { gEnd(); }, Qt::QueuedConnection);
    return TRUE;
}
#else
int gWake[2] = {-1, -1};

// A signal handler may only do what is async-signal-safe: it writes one byte to a socket the
// event loop watches.
void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(gWake[0], &byte, 1);
}
#endif

}  // namespace

void EndOnInterrupt(std::function<void()> end) {
    gEnd = std::move(end);
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, gWake) != 0) return;
    auto* notifier =
        new QSocketNotifier(gWake[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t ignored = read(gWake[1], &byte, 1);
        notifier->setEnabled(false);
        gEnd();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#endif
}
