#include "listen/bus_statistics.h"

#include <algorithm>
#include <vector>

namespace listen {

double AddressStatistics::requestsPerSecond() const {
    if (requests < 2 || lastRequestUs <= firstRequestUs) return 0.0;  // one, or all at once
    return (requests - 1) * 1e6 / double(lastRequestUs - firstRequestUs);
}

qint64 AddressStatistics::medianUs() const {
    if (recentUs.empty()) return -1;
    std::vector<qint64> sorted(recentUs.begin(), recentUs.end());
    const auto middle = sorted.begin() + qsizetype(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    return *middle;
}

void BusStatistics::add(const HeardFrame& frame) {
    if (frame.role == FrameRole::Noise || frame.address < 0) {
        ++noise_;
        return;
    }
    AddressStatistics& s = perAddress_[frame.address];
    using exchange::Verdict;
    if (frame.role == FrameRole::Request) {
        // Back-dated first bytes may lie before the listener's clock began: below zero.
        if (s.requests++ == 0) s.firstRequestUs = frame.frame.firstByteUs;
        s.lastRequestUs = frame.frame.firstByteUs;
        if (frame.verdict == Verdict::NoReply) ++s.unanswered;
        return;
    }
    ++s.replies;
    if (frame.verdict == Verdict::CheckError) ++s.checkErrors;
    if (frame.verdict == Verdict::Exception) ++s.exceptions;
    if (frame.responseUs < 0) return;
    if (s.fastestUs < 0 || frame.responseUs < s.fastestUs) s.fastestUs = frame.responseUs;
    s.slowestUs = std::max(s.slowestUs, frame.responseUs);
    s.recentUs.push_back(frame.responseUs);
    if (s.recentUs.size() > kRecentResponses) s.recentUs.pop_front();
}

}  // namespace listen
