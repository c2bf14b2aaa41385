#include "serial/line_selector.h"

namespace serial {

LineSelector::LineSelector(PortMap map) : map_(map), serial_(std::move(map)) {
    for (SerialPort* line : {static_cast<SerialPort*>(&serial_), static_cast<SerialPort*>(&tcp_)}) {
        line->setArrivalHandler([this] { reportArrival(); });
        line->setFailureHandler([this](const QString& text) { reportFailure(text); });
    }
}

LineSelector::~LineSelector() {
    if (own_) {
        own_->setArrivalHandler(nullptr);
        own_->setFailureHandler(nullptr);
    }
    serial_.setArrivalHandler(nullptr);
    tcp_.setArrivalHandler(nullptr);
    serial_.setFailureHandler(nullptr);
    tcp_.setFailureHandler(nullptr);
}

const SerialPort& LineSelector::current() const {
    switch (kind_) {
        case Kind::Network:
            return tcp_;
        case Kind::Own:
            return *own_;
        case Kind::Serial:
            break;
    }
    return serial_;
}

void LineSelector::addOwnLine(const QString& name, SerialPort* line) {
    ownName_ = name;
    own_ = line;
    own_->setArrivalHandler([this] { reportArrival(); });
    own_->setFailureHandler([this](const QString& text) { reportFailure(text); });
}

void LineSelector::setPortNumber(int number) {
    const QString device = map_.deviceFor(number);
    const Kind kind = own_ && device == ownName_ ? Kind::Own
                      : IsNetworkAddress(device) ? Kind::Network
                                                 : Kind::Serial;
    if (kind != kind_) current().close();
    kind_ = kind;
    if (kind_ == Kind::Network) {
        tcp_.setAddress(device);
    } else if (kind_ == Kind::Own) {
        own_->setPortNumber(number);
    } else {
        serial_.setPortNumber(number);
    }
}

void LineSelector::setSettings(const QString& settingsText) {
    serial_.setSettings(settingsText);
    tcp_.setSettings(settingsText);
    if (own_) own_->setSettings(settingsText);
}

bool LineSelector::open() {
    return current().open();
}

void LineSelector::close() {
    current().close();
}

}  // namespace serial
