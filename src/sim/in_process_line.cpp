#include "sim/in_process_line.h"

#include <QCoreApplication>
#include <thread>

#include "sim/drive_server.h"

namespace sim {

InProcessLine::InProcessLine(DriveServer& drive, QObject* parent)
    : QObject(parent),
      drive_(drive),
      scheduler_([this](const Request& request) { return drive_.answer(request); },
                 [this](const QByteArray& bytes) { arrive(bytes); }) {}

void InProcessLine::setSettings(const QString& settingsText) {
    const std::optional<serial::PortSettings> parsed = serial::ParseSettings(settingsText);
    if (parsed) settings_ = *parsed;
    error_ = parsed ? QString()
                    : QCoreApplication::translate("serial::QtSerialPort",
                                                  "the settings \"%1\" are not a line setting")
                          .arg(settingsText);
}

bool InProcessLine::open() {
    open_ = error_.isEmpty();
    return open_;
}

void InProcessLine::close() {
    open_ = false;
    outgoing_.clear();
    input_.clear();
    scheduler_.clear();
}

void InProcessLine::write(const QByteArray& bytes) {
    if (open_) outgoing_ += bytes;
}

// The frame takes its wire time to leave, as on a serial port; the drive hears it then. Only
// the drive of the simulation answers, so the drive's own settings are the line's.
std::chrono::steady_clock::time_point InProcessLine::drain(std::chrono::milliseconds bound) {
    const auto start = std::chrono::steady_clock::now();
    if (outgoing_.isEmpty() || !open_) return start;
    const auto wire = serial::CharacterTime(settings_) * outgoing_.size();
    const auto left = start + std::min<std::chrono::steady_clock::duration>(wire, bound);
    std::this_thread::sleep_until(left);
    scheduler_.setTurnaround(std::chrono::milliseconds(drive_.turnaround()));
    scheduler_.setCharacterTime(serial::CharacterTime(settings_));
    scheduler_.hear(std::exchange(outgoing_, QByteArray()), left);
    return left;
}

QByteArray InProcessLine::readPendingInput() {
    return std::exchange(input_, QByteArray());
}

void InProcessLine::arrive(const QByteArray& bytes) {
    if (!open_) return;
    const bool first = input_.isEmpty();
    input_ += bytes;
    // While quiet the program hears of the first byte only, as from a serial port.
    if (!quiet_ || first) reportArrival();
}

}  // namespace sim
