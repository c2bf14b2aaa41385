// Reads the frames heard on a bus as another master's requests and its slaves' replies: each
// reply paired with the request it answers and judged as this program judges its own
// exchanges, each frame's meaning decoded.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "exchange/reply_judge.h"
#include "listen/frame_splitter.h"

namespace listen {

enum class FrameRole {
    Request,
    Reply,
    UnpairedReply,  // a slave's frame with no request heard before it
    Noise,          // bytes that make no frame, or a spoiled one nobody was asked for
};

struct HeardFrame {
    quint64 number = 0;  // 1, 2, ... in the order heard
    BusFrame frame;
    FrameRole role = FrameRole::Noise;
    int address = -1;         // -1 where the bytes name none
    int function = -1;        // the command (drive) or function (standard) byte
    qint64 gapBeforeUs = -1;  // silence since the frame before ended; -1 for the first
    qint64 responseUs = -1;   // of a pair: the reply's first byte after the request's last
    quint64 pairedWith = 0;   // the number of the pair's other frame
    exchange::Verdict verdict = exchange::Verdict::Incomplete;  // a request: its reply's
    QString detail;  // what is wrong, as the judge says it
    QString meaning;
};

// A request's answer is awaited this long after its last byte; later it is unanswered. Masters
// give up long before: their reply timeouts are 50 ms to a second.
constexpr qint64 kAnswerWindowUs = 1'000'000;

class BusPairing {
  public:
    explicit BusPairing(frame::Framing framing) : framing_(framing) {}

    void add(const BusFrame& frame);
    // No frame came until `nowUs`: a request past its answer window is unanswered.
    void idle(qint64 nowUs);
    void flush();
    qint64 nextDeadlineUs() const;

    // The frames whose role and verdict are settled, in the order heard. A request is held
    // until its reply comes or its window closes, so it always comes out before its reply.
    std::vector<HeardFrame> take();

  private:
    void closeOpenRequest(exchange::Verdict verdict);
    void pair(HeardFrame& reply, const exchange::Judgement& judgement);
    HeardFrame describe(const BusFrame& frame) const;

    frame::Framing framing_;
    quint64 nextNumber_ = 1;
    qint64 lastEndUs_ = -1;
    std::deque<HeardFrame> held_;  // the open request first, then what came after it
    std::optional<std::size_t> open_;
    std::vector<HeardFrame> settled_;
};

// "请求", "回应", "无请求的回应", "噪声" in the user's language.
QString RoleName(FrameRole role);
// The verdict column: the judge's verdict, or what a frame without a pair is.
QString HeardVerdictName(const HeardFrame& frame);

}  // namespace listen
