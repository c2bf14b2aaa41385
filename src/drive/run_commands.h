// Whether the program has sent a drive 启动 since its last 停止. The drive's protocol has no
// run state to read, and a drive that runs at 0 Hz shows the output frequency of a stopped one;
// what was sent to it is the only other witness.
#pragma once

#include <QByteArray>
#include <map>

#include "frame/frame_composer.h"

namespace drive {

class RunCommandsSent {
  public:
    // A request that went out: a run control (start or stop) is noted for its address; one to
    // address 0, a broadcast, for every drive.
    void note(const QByteArray& request, frame::Framing framing);
    bool startedSinceStop(int address) const;

  private:
    std::map<int, bool> started_;  // by address, after the last broadcast
    bool allStarted_ = false;      // what the last broadcast said
};

}  // namespace drive
