// The simulated drive's frame parser over any byte stream, fed in pieces as a line delivers it.
// The first byte chooses the pieces: bits 0..5 their size (0: the whole stream at once), bit 6
// the line goes quiet after every piece. The rest is the stream.
//
// Every request found must be a whole body, framed again it must read back as itself, and the
// drive's reply to it must be a frame that reads back as well. Without quiet gaps the requests
// must not depend on how the stream was cut.
#include <vector>

#include "exchange/exchange_text.h"
#include "exchange/reply_judge.h"
#include "frame/frame_composer.h"
#include "fuzz_support.h"
#include "sim/drive_model.h"
#include "sim/reply_builder.h"
#include "sim/request_parser.h"

namespace {

using frame::Framing;

std::vector<sim::Request> ParseInPieces(const QByteArray& stream, int piece, bool quietGaps) {
    sim::RequestParser parser;
    std::vector<sim::Request> found;
    auto take = [&found](const std::vector<sim::Request>& more) {
        found.insert(found.end(), more.begin(), more.end());
    };
    if (piece == 0) piece = int(qMax<qsizetype>(stream.size(), 1));
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        take(parser.feed(stream.mid(at, piece)));
        if (quietGaps) take(parser.flush());
    }
    take(parser.flush());
    FUZZ_REQUIRE(!parser.pending());
    return found;
}

bool Same(const std::vector<sim::Request>& a, const std::vector<sim::Request>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].framing != b[i].framing || a[i].body != b[i].body) return false;
    return true;
}

// A frame followed by the silence after it must read back as exactly one request with the given
// body and framing. (An RTU frame whose bytes look like an ASCII frame still arriving waits for
// the silence.)
void CheckReadsBack(const QByteArray& frame, Framing framing, const QByteArray& body) {
    sim::RequestParser parser;
    std::vector<sim::Request> found = parser.feed(frame);
    for (sim::Request& request : parser.flush()) found.push_back(std::move(request));
    FUZZ_REQUIRE(found.size() == 1 && found[0].framing == framing && found[0].body == body);
    FUZZ_REQUIRE(!parser.pending());
}

void CheckRequest(const sim::Request& request) {
    const QByteArray& body = request.body;
    FUZZ_REQUIRE(body.size() >= 3 && body.size() <= sim::kMaxBodyLength);
    FUZZ_REQUIRE(body.size() == 3 + quint8(body[2]));

    CheckReadsBack(sim::FrameBody(body, request.framing), request.framing, body);

    sim::DriveModel model;
    const std::optional<QByteArray> reply = sim::BuildReply(request, request.address(), model);
    if (!reply) return;
    // A reply is framed like the request; read by the drive's own parser it is one frame.
    sim::RequestParser parser;
    std::vector<sim::Request> echoed = parser.feed(*reply);
    for (sim::Request& echo : parser.flush()) echoed.push_back(std::move(echo));
    FUZZ_REQUIRE(echoed.size() == 1 && echoed[0].framing == request.framing);
    FUZZ_REQUIRE(echoed[0].address() == request.address());

    // And the master judges the drive's answer to its own request good.
    const QByteArray framed = sim::FrameBody(body, request.framing);
    FUZZ_REQUIRE(exchange::JudgeReply(framed, *reply, request.framing).verdict ==
                 exchange::Verdict::Good);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int piece = data[0] & 0x3F;
    const bool quietGaps = data[0] & 0x40;
    const QByteArray stream = fuzz::Bytes(data + 1, size - 1);

    const std::vector<sim::Request> found = ParseInPieces(stream, piece, quietGaps);
    for (const sim::Request& request : found) CheckRequest(request);
    if (!quietGaps && piece != 0) FUZZ_REQUIRE(Same(found, ParseInPieces(stream, 0, false)));
    return 0;
}
