#include "listen/settings_search.h"

#include "serial/port_settings.h"

namespace listen {
namespace {

constexpr int kCandidates = serial::kBaudCount * serial::kFormatCount;
// Fewer whole frames than this are chance, not a setting.
constexpr int kFewestWhole = 2;

int BaudOf(int candidate) {
    return candidate % serial::kBaudCount;
}
int FormatOf(int candidate) {
    return candidate / serial::kBaudCount;
}

}  // namespace

SettingsSearch::SettingsSearch(serial::SerialPort& port, BusListener& listener, QObject* parent)
    : QObject(parent), port_(port), listener_(listener) {
    dwell_.setSingleShot(true);
    connect(&dwell_, &QTimer::timeout, this, &SettingsSearch::next);
}

void SettingsSearch::start(std::chrono::milliseconds dwell, int enough) {
    dwell_.setInterval(dwell);
    enough_ = enough;
    best_ = -1;
    bestWhole_ = 0;
    listenAt(0);
}

void SettingsSearch::stop() {
    dwell_.stop();
    if (candidate_ >= 0) listener_.stop();
    candidate_ = -1;
}

void SettingsSearch::listenAt(int candidate) {
    listener_.stop();  // what the last setting still held counts for it
    candidate_ = candidate;
    whole_ = other_ = 0;
    const QString text = serial::SettingsText(BaudOf(candidate), FormatOf(candidate));
    port_.close();
    port_.setSettings(text);
    port_.open();
    listener_.start(
        serial::ParseSettings(text).value_or(serial::PortSettings{}),
        serial::IsAsciiFormat(FormatOf(candidate)) ? frame::Framing::Ascii : frame::Framing::Rtu);
    emit trying(BaudOf(candidate), FormatOf(candidate));
    dwell_.start();
}

void SettingsSearch::tally(const std::vector<HeardFrame>& frames) {
    if (candidate_ < 0) return;
    for (const HeardFrame& frame : frames)
        (frame.frame.shape == FrameShape::Whole ? whole_ : other_)++;
    if (whole_ >= enough_ && other_ == 0) finish(candidate_, whole_);
}

void SettingsSearch::next() {
    listener_.stop();  // the bytes still held count for this setting
    if (candidate_ < 0) return;
    if (whole_ > bestWhole_) {
        bestWhole_ = whole_;
        best_ = candidate_;
    }
    if (candidate_ + 1 < kCandidates) {
        listenAt(candidate_ + 1);
    } else {
        finish(best_, bestWhole_);
    }
}

void SettingsSearch::finish(int chosen, int whole) {
    dwell_.stop();
    candidate_ = -1;
    listener_.stop();
    const bool found = chosen >= 0 && whole >= kFewestWhole;
    emit finished(found ? BaudOf(chosen) : -1, found ? FormatOf(chosen) : -1);
}

}  // namespace listen
