#include "support/sleep.h"

#include <chrono>
#include <thread>

namespace vardo {

void SleepMs(int milliseconds) {
    if (milliseconds <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vardo
