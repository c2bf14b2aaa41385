#include "exchange/pause.h"

#include <thread>

namespace exchange {

void Pause(std::chrono::duration<double> seconds) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(seconds);
    // sleep_until may wake early on a signal; sleep again until the end has passed.
    while (Clock::now() < end) std::this_thread::sleep_until(end);
}

}  // namespace exchange
