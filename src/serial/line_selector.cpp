#include "serial/line_selector.h"

namespace serial {

LineSelector::LineSelector(PortMap map) : map_(map), serial_(std::move(map)) {
    for (SerialPort* line : {static_cast<SerialPort*>(&serial_), static_cast<SerialPort*>(&tcp_)}) {
        line->setArrivalHandler([this] { reportArrival(); });
        line->setFailureHandler([this](const QString& text) { reportFailure(text); });
    }
}

LineSelector::~LineSelector() {
    serial_.setArrivalHandler(nullptr);
    tcp_.setArrivalHandler(nullptr);
    serial_.setFailureHandler(nullptr);
    tcp_.setFailureHandler(nullptr);
}

void LineSelector::setPortNumber(int number) {
    const QString device = map_.deviceFor(number);
    const bool networked = IsNetworkAddress(device);
    if (networked != networked_) current().close();
    networked_ = networked;
    if (networked_) {
        tcp_.setAddress(device);
    } else {
        serial_.setPortNumber(number);
    }
}

void LineSelector::setSettings(const QString& settingsText) {
    serial_.setSettings(settingsText);
    tcp_.setSettings(settingsText);
}

bool LineSelector::open() {
    return current().open();
}

void LineSelector::close() {
    current().close();
}

}  // namespace serial
