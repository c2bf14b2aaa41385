#include "ser2net_gateway.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

namespace {

// Whether something listens on 127.0.0.1:port, read from the kernel's socket table rather than
// by connecting: a connection would make ser2net open the drive's line.
bool Listening(quint16 port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) return false;
    const QByteArray local =
        QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // sl local_address rem_address st ...; state 0A is LISTEN.
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;
    }
    return false;
}

quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

}  // namespace

Ser2netGateway::~Ser2netGateway() {
    stop();
}

bool Ser2netGateway::start(Mode mode, const QString& device, const QString& serialSettings,
                           QString* error, quint16 port) {
    const QString program = QStandardPaths::findExecutable(
        QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (program.isEmpty()) {
        *error = QStringLiteral("ser2net is not installed (tools/setup-debian.sh installs it)");
        return false;
    }
    mode_ = mode;
    port_ = port ? port : FreePort();
    // kickolduser: a client that reconnects before ser2net noticed its old connection end is
    // let in. mdns is of no use on loopback.
    const QString config =
        QStringLiteral(
            "connection: &drive\n"
            "  accepter: %1tcp,127.0.0.1,%2\n"
            "  connector: serialdev,%3,%4,local\n"
            "  options:\n"
            "    kickolduser: true\n"
            "    mdns: false\n")
            .arg(mode == Mode::Rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
            .arg(port_)
            .arg(device, serialSettings);
    const QString path = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    file.close();
    // -d: in the foreground with its log on standard output; -u: no UUCP lock files.
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program, {QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-c"), path,
                             QStringLiteral("-P"), dir_.filePath(QStringLiteral("ser2net.pid"))});
    if (!process_.waitForStarted(5000)) {
        *error = QStringLiteral("ser2net did not start: %1").arg(process_.errorString());
        return false;
    }
    const QDeadlineTimer deadline(5000);
    while (!Listening(port_)) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            *error = QStringLiteral("ser2net is not listening on 127.0.0.1:%1: %2")
                         .arg(port_)
                         .arg(QString::fromLocal8Bit(process_.readAll()));
            stop();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void Ser2netGateway::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QString Ser2netGateway::address() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(mode_ == Mode::Rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp"))
        .arg(port_);
}
