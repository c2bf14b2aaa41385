// What the simulated drive answers to a request, framed like the request.
//
// Reply layout: address, command, length, function number, data bytes, then the check of the
// request's framing. Reads answer with length 3 and two data bytes, high byte first; writes,
// run controls and frequency settings are acknowledged by echoing the request.
#pragma once

#include <QByteArray>
#include <optional>

#include "drive/drive_requests.h"
#include "frame/frame_composer.h"
#include "sim/drive_model.h"
#include "sim/request_parser.h"

namespace sim {

// Address 0 reaches every drive on the line; none of them answers it.
constexpr int kBroadcastAddress = 0;

// RTU: the body and its CRC-16, low byte first. ASCII: ':', the body and its LRC as upper-case
// hexadecimal text, CR, LF.
QByteArray FrameBody(const QByteArray& body, frame::Framing framing);

// Carries out a request body on the model and returns the reply body, or nothing where the
// drive stays silent: a request without a function byte, an unknown command, run-control
// function or monitor item.
std::optional<QByteArray> Answer(const QByteArray& requestBody, DriveModel& model);

// A request for this drive is carried out and answered in its own framing; a broadcast is
// carried out without an answer; a request for another drive is ignored.
std::optional<QByteArray> BuildReply(const Request& request, int driveAddress, DriveModel& model);

}  // namespace sim
