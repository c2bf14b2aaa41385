#include "sim/reply_builder.h"

#include "frame/checksum.h"

namespace sim {

// The drive protocol's command and function codes are the ones the program sends.
using namespace drive;

namespace {

// The byte after the function byte at `index` (0 = first data byte); a byte the length leaves
// out reads as 0, as the master's composer fills positions no box reached.
int DataByte(const QByteArray& body, int index) {
    const int position = 4 + index;
    const int length = static_cast<quint8>(body.at(2));
    return position < 3 + length && position < body.size() ? static_cast<quint8>(body.at(position))
                                                           : 0;
}

// A written parameter value: the master sends a value up to 255 as one byte followed by 00 and
// a larger one as two bytes, high byte first. So a nonzero second byte means two bytes; a
// multiple of 256 cannot be told from its high byte alone and reads as that byte.
quint16 WrittenValue(const QByteArray& body) {
    const int first = DataByte(body, 0);
    const int second = DataByte(body, 1);
    return static_cast<quint16>(second == 0 ? first : first * 256 + second);
}

QByteArray ReadingReply(const QByteArray& request, int first, int second) {
    QByteArray reply = request.left(2);
    reply.append(char(3));
    reply.append(request.at(3));
    reply.append(static_cast<char>(first & 0xFF));
    reply.append(static_cast<char>(second & 0xFF));
    return reply;
}

QByteArray ValueReply(const QByteArray& request, int value) {
    return ReadingReply(request, (value >> 8) & 0xFF, value & 0xFF);
}

}  // namespace

QByteArray FrameBody(const QByteArray& body, frame::Framing framing) {
    return framing == frame::Framing::Rtu ? frame::RtuFrame(body) : frame::AsciiFrame(body);
}

std::optional<QByteArray> Answer(const QByteArray& requestBody, DriveModel& model) {
    // Every request names a function (parameter, run control, monitor item, frequency part).
    if (requestBody.size() < 4 || static_cast<quint8>(requestBody.at(2)) < 1) return std::nullopt;
    const int function = static_cast<quint8>(requestBody.at(3));
    switch (static_cast<quint8>(requestBody.at(1))) {
        case kReadParameter:
            return ValueReply(requestBody, model.parameter(function));
        case kWriteParameter:
            model.writeParameter(function, WrittenValue(requestBody));
            return requestBody;
        case kRunControl:
            if (function == kRunStart) {
                model.start();
            } else if (function == kRunStop) {
                model.stop();
            } else {
                return std::nullopt;
            }
            return requestBody;
        case kReadMonitor:
            if (function >= kMonitorItemCount) return std::nullopt;
            // The fault code is one byte, the first data byte; the second stays 0.
            if (function == kItemFaultCode) return ReadingReply(requestBody, model.faultCode(), 0);
            return ValueReply(requestBody, model.monitor(function));
        case kSetFrequency:
            // Hundredths of a hertz: the function byte holds the part above 256, the first data
            // byte the low byte. The drive limits the value to its maximum frequency.
            model.setFrequency(function * 256 + DataByte(requestBody, 0));
            return requestBody;
        default:
            return std::nullopt;
    }
}

std::optional<QByteArray> BuildReply(const Request& request, int driveAddress, DriveModel& model) {
    const int address = request.address();
    if (address != driveAddress && address != kBroadcastAddress) return std::nullopt;
    const std::optional<QByteArray> body = Answer(request.body, model);
    if (!body || address == kBroadcastAddress) return std::nullopt;
    return FrameBody(*body, request.framing);
}

}  // namespace sim
