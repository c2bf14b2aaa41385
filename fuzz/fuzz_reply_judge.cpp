// The reply judge and the decoders of a good reply, over any request and reply. The first byte
// chooses the framing (bit 0: ASCII) and how many of the following bytes are the request (the
// rest, modulo 64); the remaining bytes are the reply.
#include "drive/reply_decoder.h"
#include "exchange/exchange_text.h"
#include "exchange/reply_judge.h"
#include "exchange/request_identity.h"
#include "frame/frame_composer.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const frame::Framing framing = data[0] & 1 ? frame::Framing::Ascii : frame::Framing::Rtu;
    const std::size_t requestLength = std::min<std::size_t>((data[0] >> 1) % 64, size - 1);
    const QByteArray request = fuzz::Bytes(data + 1, requestLength);
    const QByteArray reply = fuzz::Bytes(data + 1 + requestLength, size - 1 - requestLength);

    const exchange::Judgement judgement = exchange::JudgeReply(request, reply, framing);
    // Every bad verdict says why; a good one speaks only of bytes that came beside its frame.
    if (judgement.verdict != exchange::Verdict::Good) FUZZ_REQUIRE(!judgement.detail.isEmpty());
    FUZZ_REQUIRE(judgement.verdict != exchange::Verdict::Late);
    FUZZ_REQUIRE((judgement.verdict == exchange::Verdict::NoReply) == reply.isEmpty());
    if (judgement.checkAt >= 0)
        FUZZ_REQUIRE(judgement.checkAt + judgement.checkLength <= reply.size());
    if (judgement.verdict == exchange::Verdict::Good) {
        // A good reply of the drive's layout carries its whole body, which the decoders read.
        FUZZ_REQUIRE(!judgement.body.isEmpty());
        const QByteArray framed = framing == frame::Framing::Rtu
                                      ? frame::RtuFrame(judgement.body)
                                      : frame::AsciiFrame(judgement.body);
        if (!judgement.detail.isEmpty()) FUZZ_REQUIRE(reply.size() > framed.size());
        if (const auto raw = drive::MonitorValue(judgement.body))
            FUZZ_REQUIRE(*raw >= -32768 && *raw <= 32767);
        if (const auto code = drive::FaultCode(judgement.body))
            FUZZ_REQUIRE(drive::FaultText(*code).startsWith(u"E.") ||
                         drive::FaultText(*code) == QLatin1String("NO ERROR"));
    }

    // The drive's own answer to a request of its layout is always good.
    if (judgement.body.size() >= 3) {
        const QByteArray echo = framing == frame::Framing::Rtu ? frame::RtuFrame(judgement.body)
                                                               : frame::AsciiFrame(judgement.body);
        FUZZ_REQUIRE(exchange::JudgeReply(request, echo, framing).verdict ==
                     exchange::Verdict::Good);
    }

    // The readings of a frame typed by hand keep the same promises.
    for (const exchange::Judging judging : {exchange::Judging::Auto, exchange::Judging::Standard}) {
        const exchange::Judgement typed = exchange::JudgeReplyAs(request, reply, framing, judging);
        FUZZ_REQUIRE(typed.verdict != exchange::Verdict::Late);
        // Silence is no reply, or all a broadcast gets; any bytes are judged.
        const bool silence = typed.verdict == exchange::Verdict::NoReply ||
                             typed.verdict == exchange::Verdict::Broadcast;
        FUZZ_REQUIRE(silence == reply.isEmpty());
        FUZZ_REQUIRE(typed.verdict != exchange::Verdict::Broadcast ||
                     exchange::IsBroadcast(request, framing));
        if (typed.verdict != exchange::Verdict::Good) FUZZ_REQUIRE(!typed.detail.isEmpty());
        if (typed.checkAt >= 0) FUZZ_REQUIRE(typed.checkAt + typed.checkLength <= reply.size());
        // A good standard answer to a whole request comes from the slave asked.
        const bool wholeRtuRequest = framing == frame::Framing::Rtu && request.size() >= 4 &&
                                     frame::RtuFrame(request.chopped(2)) == request;
        if (typed.verdict == exchange::Verdict::Good && !typed.body.isEmpty() && wholeRtuRequest &&
            judging == exchange::Judging::Standard)
            FUZZ_REQUIRE(typed.body.at(0) == request.at(0));
    }

    const QString line = exchange::LogLine(data[0], exchange::Direction::Received, reply);
    FUZZ_REQUIRE(line.startsWith(u'[') && line.endsWith(u" )"));
    return 0;
}
