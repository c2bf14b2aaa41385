#include "listen/bus_pairing.h"

#include <QCoreApplication>

#include "exchange/request_identity.h"
#include "listen/frame_meaning.h"

namespace listen {
namespace {

using exchange::Verdict;

// The body of a whole frame; empty for any other.
QByteArray BodyOf(const BusFrame& frame, frame::Framing framing) {
    if (frame.shape != FrameShape::Whole) return QByteArray();
    return exchange::RequestBody(frame.bytes, framing).value_or(QByteArray());
}

// The address the first bytes name, even in a spoiled frame: RTU its first byte, ASCII the two
// hexadecimal digits after the colon.
int AddressOf(const QByteArray& bytes, frame::Framing framing) {
    if (framing == frame::Framing::Rtu) return bytes.isEmpty() ? -1 : quint8(bytes.at(0));
    if (bytes.size() < 3 || bytes.at(0) != ':') return -1;
    bool ok = false;
    const int address = bytes.mid(1, 2).toInt(&ok, 16);
    return ok ? address : -1;
}

}  // namespace

QString RoleName(FrameRole role) {
    switch (role) {
        case FrameRole::Request:
            return QCoreApplication::translate("Listening", "request");
        case FrameRole::Reply:
            return QCoreApplication::translate("Listening", "reply");
        case FrameRole::UnpairedReply:
            return QCoreApplication::translate("Listening", "reply without request");
        case FrameRole::Noise:
            break;
    }
    return QCoreApplication::translate("Listening", "noise");
}

QString HeardVerdictName(const HeardFrame& frame) {
    if (frame.role == FrameRole::UnpairedReply)
        return QCoreApplication::translate("Listening", "no request heard");
    return exchange::VerdictName(frame.verdict);
}

HeardFrame BusPairing::describe(const BusFrame& frame) const {
    HeardFrame heard;
    heard.frame = frame;
    heard.address = AddressOf(frame.bytes, framing_);
    const QByteArray body = BodyOf(frame, framing_);
    if (body.size() >= 2) heard.function = quint8(body.at(1));
    if (lastEndUs_ >= 0) heard.gapBeforeUs = frame.firstByteUs - lastEndUs_;
    if (frame.shape == FrameShape::BadCheck) heard.verdict = Verdict::CheckError;
    return heard;
}

void BusPairing::add(const BusFrame& frame) {
    HeardFrame heard = describe(frame);
    heard.number = nextNumber_++;
    lastEndUs_ = frame.lastByteUs;
    const QByteArray body = BodyOf(frame, framing_);
    if (open_) {
        const HeardFrame& request = held_.front();
        const QByteArray requestBody = BodyOf(request.frame, framing_);
        const exchange::Judgement judgement = exchange::JudgeReplyAs(
            request.frame.bytes, frame.bytes, framing_, exchange::Judging::Auto);
        const bool answers =
            judgement.verdict == Verdict::Good || judgement.verdict == Verdict::Exception;
        // The same bytes after a read are the master asking again, not the slave answering.
        const bool askedAgain = body == requestBody && !AnsweredByEcho(requestBody);
        if (answers && !askedAgain) {
            heard.meaning = ReplyMeaning(body, requestBody);
            pair(heard, judgement);
            return;
        }
        if (!body.isEmpty() && LooksLikeRequest(body)) {
            closeOpenRequest(Verdict::NoReply);
        } else if (heard.address == request.address) {
            pair(heard, judgement);  // the slave asked, with a spoiled or mismatched frame
            return;
        }
    }
    if (!body.isEmpty() && LooksLikeRequest(body)) {
        heard.role = FrameRole::Request;
        heard.meaning = RequestMeaning(body);
        if (heard.address == 0) {
            heard.verdict = Verdict::Broadcast;  // no slave answers a broadcast
        } else {
            open_ = held_.size();
            heard.verdict = Verdict::NoReply;
        }
    } else if (!body.isEmpty()) {
        heard.role = FrameRole::UnpairedReply;
        heard.verdict = Verdict::OtherAnswer;
        heard.meaning = ReplyMeaning(body, QByteArray());
    } else if (frame.shape == FrameShape::Noise) {
        heard.verdict = Verdict::Incomplete;
    }
    held_.push_back(std::move(heard));
    // Everything before the open request is settled; with none open, everything is.
    const std::size_t settle = open_ ? *open_ : held_.size();
    for (std::size_t i = 0; i < settle; ++i) settled_.push_back(std::move(held_[i]));
    held_.erase(held_.begin(), held_.begin() + qsizetype(settle));
    if (open_) open_ = 0;
}

void BusPairing::pair(HeardFrame& reply, const exchange::Judgement& judgement) {
    HeardFrame& request = held_.front();
    reply.role = FrameRole::Reply;
    reply.verdict = judgement.verdict;
    if (judgement.verdict != Verdict::Good) reply.detail = judgement.detail;
    reply.responseUs = reply.frame.firstByteUs - request.frame.lastByteUs;
    reply.pairedWith = request.number;
    request.pairedWith = reply.number;
    request.responseUs = reply.responseUs;
    request.detail = reply.detail;
    held_.push_back(std::move(reply));
    closeOpenRequest(judgement.verdict);
}

void BusPairing::closeOpenRequest(Verdict verdict) {
    if (!open_) return;
    held_.front().verdict = verdict;
    if (verdict == Verdict::NoReply)
        held_.front().detail =
            QCoreApplication::translate("Listening",
                                        "no reply heard before the next request or within %1 ms")
                .arg(kAnswerWindowUs / 1000);
    open_.reset();
    for (HeardFrame& frame : held_) settled_.push_back(std::move(frame));
    held_.clear();
}

void BusPairing::idle(qint64 nowUs) {
    if (open_ && nowUs - held_.front().frame.lastByteUs >= kAnswerWindowUs)
        closeOpenRequest(Verdict::NoReply);
}

void BusPairing::flush() {
    closeOpenRequest(Verdict::NoReply);
}

qint64 BusPairing::nextDeadlineUs() const {
    return open_ ? held_.front().frame.lastByteUs + kAnswerWindowUs : -1;
}

std::vector<HeardFrame> BusPairing::take() {
    std::vector<HeardFrame> frames;
    frames.swap(settled_);
    return frames;
}

}  // namespace listen
