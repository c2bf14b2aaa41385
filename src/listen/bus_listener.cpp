#include "listen/bus_listener.h"

#include <QDateTime>

namespace listen {

BusListener::BusListener(serial::SerialPort& port, QObject* parent) : QObject(parent), port_(port) {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    // A deadline reads the port before it judges the silence: a listener held up by a busy
    // machine finds the rest of a frame waiting there, which is no silence on the line.
    connect(&deadline_, &QTimer::timeout, this, &BusListener::readNow);
    // Repeats while bytes keep coming: one timer for the whole burst, not one per read.
    batch_.setTimerType(Qt::PreciseTimer);
    connect(&batch_, &QTimer::timeout, this, &BusListener::readNow);
}

void BusListener::start(const serial::PortSettings& line, frame::Framing framing) {
    line_ = line;
    framing_ = framing;
    splitter_ = std::make_unique<FrameSplitter>(line, framing);
    pairing_ = std::make_unique<BusPairing>(framing);
    // RTS on is the receive state of a two-wire adapter that switches by RTS: a listener must
    // never drive the bus.
    port_.setRts(true);
    // The port tells of the first byte and leaves the rest with the driver until taken.
    port_.setQuietArrival(true);
    port_.readPendingInput();  // bytes from before listening have no times to go by
    clock_.start();
    startEpochMs_ = QDateTime::currentMSecsSinceEpoch();
    listening_ = true;
}

void BusListener::stop() {
    if (!listening_) return;
    batch_.stop();
    // A read that leaves the port telling of arrivals again, for whoever uses it next.
    take(port_.readPendingInput());
    listening_ = false;
    deadline_.stop();
    splitter_->flush();
    for (const BusFrame& frame : splitter_->take()) pairing_->add(frame);
    pairing_->flush();
    std::vector<HeardFrame> frames = pairing_->take();
    if (!frames.empty()) emit framesHeard(frames);
}

void BusListener::onArrival() {
    if (listening_ && !batch_.isActive()) batch_.start(kBatchMs);
}

void BusListener::readNow() {
    if (!listening_) return;
    const QByteArray bytes = port_.readPendingInputWithoutNews();
    // While bytes keep coming the listener comes back on its own: one wake-up a batch, not the
    // port's news and the timer both. A read that finds none waits for news again.
    if (bytes.isEmpty())
        batch_.stop();
    else if (!batch_.isActive())
        batch_.start(kBatchMs);
    take(bytes);
}

void BusListener::take(const QByteArray& bytes) {
    const qint64 now = nowUs();
    if (!bytes.isEmpty()) splitter_->feed(bytes, now);
    pass(now);
}

void BusListener::pass(qint64 nowUs) {
    splitter_->idle(nowUs);
    for (const BusFrame& frame : splitter_->take()) pairing_->add(frame);
    pairing_->idle(nowUs);
    std::vector<HeardFrame> frames = pairing_->take();
    if (!frames.empty()) emit framesHeard(frames);
    armDeadline();
}

void BusListener::armDeadline() {
    qint64 next = splitter_->nextDeadlineUs();
    const qint64 answer = pairing_->nextDeadlineUs();
    if (next < 0 || (answer >= 0 && answer < next)) next = answer;
    // A read comes before the deadline anyway while bytes keep coming, and looks again.
    const qint64 now = nowUs();
    if (next >= 0 && batch_.isActive() && next >= now + qint64(batch_.remainingTime()) * 1000)
        next = -1;
    if (next < 0) {
        deadline_.stop();
        armedDeadlineUs_ = -1;
        return;
    }
    // Restarting a timer for the same moment would only cost its unregistering and registering.
    if (deadline_.isActive() && armedDeadlineUs_ == next) return;
    armedDeadlineUs_ = next;
    // Rounded up, so the timer never wakes just before the moment.
    deadline_.start(int(std::max<qint64>(1, (next - now + 999) / 1000)));
}

}  // namespace listen
