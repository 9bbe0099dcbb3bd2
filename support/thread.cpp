#include "support/thread.h"

#include <system_error>

namespace vardo {

namespace {

// The Thread whose Run the calling thread is executing, if any: lets Wait and Start notice
// that a thread is acting on itself.
thread_local const Thread* currentThread = nullptr;

}  // namespace

Thread::~Thread() {
    Thread::Wait();
}

bool Thread::Start() {
    if (currentThread == this) return false;
    std::lock_guard<std::mutex> guard(joinMutex);
    // A finished thread must be joined before its std::thread is replaced; destroying or
    // overwriting a joinable std::thread ends the process.
    if (worker.joinable()) worker.join();
    // Raised before the thread exists: raising it afterwards could overwrite the false
    // written by a Run that has already returned, leaving the object "running" for ever.
    running = true;
    try {
        worker = std::thread(&Thread::Entry, this);
    } catch (const std::system_error&) {
        running = false;
        return false;
    }
    // Not `return running`: a short Run may already have lowered it.
    return true;
}

void Thread::Wait() {
    if (currentThread == this) return;
    std::lock_guard<std::mutex> guard(joinMutex);
    if (worker.joinable()) worker.join();
}

void Thread::Entry(Thread* self) {
    currentThread = self;
    self->Run();
    self->running = false;
}

}  // namespace vardo
