// The drives the simulated line plays: their models, each drive's own pace, and what tests and
// the command line change in them while the line serves.
#include <algorithm>

#include "sim/drive_server.h"

namespace sim {

void DriveServer::setDrives(const std::vector<int>& addresses) {
    if (addresses.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    drives_.clear();
    for (int address : addresses) drives_.push_back({address, DriveModel(), 0});
    address_ = addresses.front();
}

std::vector<int> DriveServer::addresses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> all;
    for (const Drive& drive : drives_) all.push_back(drive.address);
    return all;
}

DriveModel DriveServer::model(int address) const {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    for (const Drive& drive : drives_)
        if (drive.address == address) return drive.model;
    return DriveModel();
}

void DriveServer::setFaultCode(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    for (Drive& drive : drives_) drive.model.setFaultCode(code);
}

void DriveServer::advance(int milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    for (Drive& drive : drives_) drive.model.advance(milliseconds);
}

DriveModel DriveServer::model() const {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    return drives_.front().model;
}

void DriveServer::updateModel(const std::function<void(DriveModel&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    change(drives_.front().model);
}

bool DriveServer::updateModel(int address, const std::function<void(DriveModel&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    for (Drive& drive : drives_)
        if (drive.address == address) {
            change(drive.model);
            return true;
        }
    return false;
}

bool DriveServer::setDriveTurnaround(int address, int milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Drive& drive : drives_)
        if (drive.address == address) {
            drive.turnaroundMs = std::clamp(milliseconds, 0, kLongestTurnaroundMs);
            return true;
        }
    return false;
}

void DriveServer::updateEveryModel(const std::function<void(DriveModel&)>& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    syncClockLocked();
    for (Drive& drive : drives_) change(drive.model);
}

}  // namespace sim
