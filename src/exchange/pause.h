#pragma once

#include <chrono>

namespace exchange {

// Holds the caller for the given time without letting window events run. Measured on a
// monotonic clock, so a pause across midnight or a clock change still ends; it sleeps.
void Pause(std::chrono::duration<double> seconds);

}  // namespace exchange
