#include "drive/run_commands.h"

#include "drive/drive_requests.h"
#include "exchange/request_identity.h"

namespace drive {

void RunCommandsSent::note(const QByteArray& request, frame::Framing framing) {
    const std::optional<QByteArray> body = exchange::RequestBody(request, framing);
    // Run control: address, command 3, length 1, the function (start or stop).
    if (!body || body->size() != 4 || body->at(1) != kRunControl || body->at(2) != 1) return;
    const int function = quint8(body->at(3));
    if (function != kRunStart && function != kRunStop) return;
    const int address = quint8(body->at(0));
    if (address == 0) {
        started_.clear();
        allStarted_ = function == kRunStart;
    } else {
        started_[address] = function == kRunStart;
    }
}

bool RunCommandsSent::startedSinceStop(int address) const {
    const auto known = started_.find(address);
    return known == started_.end() ? allStarted_ : known->second;
}

}  // namespace drive
