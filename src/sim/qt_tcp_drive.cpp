#include "sim/qt_tcp_drive.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace sim {

class QtTcpDrive::Worker : public QObject {
  public:
    explicit Worker(QtTcpDrive& owner) : owner_(owner) {}

    // Runs on the drive's thread, so the server and its sockets live there.
    bool listen(quint16 port, quint16* bound, QString* error) {
        server_ = new QTcpServer(this);
        connect(server_, &QTcpServer::newConnection, this, &Worker::takeConnection);
        if (!server_->listen(QHostAddress::LocalHost, port)) {
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                         .arg(port)
                         .arg(server_->errorString());
            return false;
        }
        *bound = server_->serverPort();
        return true;
    }

    void shutDown() {
        scheduler_.reset();
        if (socket_) socket_->abort();
        if (server_) server_->close();
    }

  private:
    // The newest master takes the line over.
    void takeConnection() {
        QTcpSocket* next = server_->nextPendingConnection();
        if (!next) return;
        scheduler_.reset();
        if (socket_) socket_->deleteLater();
        socket_ = next;
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        scheduler_ = std::make_unique<ReplyScheduler>(owner_.handler_,
                                                      [socket = socket_](const QByteArray& bytes) {
                                                          socket->write(bytes);
                                                          socket->flush();
                                                      });
        // A gateway's serial side runs at the drive's own pace.
        scheduler_->setCharacterTime(owner_.wireCharacter_);
        connect(socket_, &QTcpSocket::readyRead, this, [this] {
            scheduler_->setTurnaround(std::chrono::milliseconds(owner_.turnaroundMs_()));
            scheduler_->setEcho(owner_.echo_());
            scheduler_->hear(socket_->readAll(), ReplyScheduler::Clock::now());
        });
    }

    QtTcpDrive& owner_;
    QTcpServer* server_ = nullptr;
    QTcpSocket* socket_ = nullptr;
    std::unique_ptr<ReplyScheduler> scheduler_;
};

QtTcpDrive::QtTcpDrive(ReplyScheduler::Handler handler, std::chrono::microseconds wireCharacter,
                       std::function<int()> turnaroundMs, std::function<bool()> echo)
    : handler_(std::move(handler)),
      wireCharacter_(wireCharacter),
      turnaroundMs_(std::move(turnaroundMs)),
      echo_(std::move(echo)) {}

QtTcpDrive::~QtTcpDrive() {
    stop();
}

bool QtTcpDrive::start(quint16 port, quint16* boundPort, QString* error) {
    stop();
    worker_ = new Worker(*this);
    worker_->moveToThread(&thread_);
    thread_.start();
    bool listening = false;
    quint16 bound = 0;
    QString reason;
    QMetaObject::invokeMethod(
        worker_, [&] { listening = worker_->listen(port, &bound, &reason); },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        if (error) *error = reason;
        stop();
        return false;
    }
    if (boundPort) *boundPort = bound;
    return true;
}

void QtTcpDrive::stop() {
    if (!worker_) return;
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_] {
            worker->shutDown();
            delete worker;
        },
        Qt::BlockingQueuedConnection);
    worker_ = nullptr;
    thread_.quit();
    thread_.wait();
}

}  // namespace sim
