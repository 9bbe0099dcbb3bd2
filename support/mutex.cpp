#include "support/mutex.h"

namespace vardo {

Mutex::~Mutex() = default;

void Mutex::Lock() const {
    mutex.lock();
}

void Mutex::Unlock() const {
    mutex.unlock();
}

}  // namespace vardo
