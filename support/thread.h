// A thread object: Start runs the derived class's Run on a new thread. The engine's search,
// the console reader and the timer are all Threads; each is also the Mutex guarding its own
// shared fields.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "support/mutex.h"

namespace vardo {

class Thread : public Mutex {
   public:
    Thread() = default;
    // Waits for an active Run to return. The Run of a derived class may use that class's
    // members, which are gone by the time this destructor runs: a derived class whose Run can
    // still be active when it is destroyed must stop it and Wait in its own destructor (the
    // Timer does). The wait here only keeps the Thread part alive until Run has returned.
    ~Thread() override;

    // Runs Run on a new thread and returns true, or returns false when no thread could be
    // created. A run that is still active from an earlier Start is waited for first, so two
    // runs of one object never overlap. Called from the object's own Run it returns false.
    virtual bool Start();

    // Returns once the run of the last Start has returned; at once when there was no Start
    // or the run was already waited for. Several threads may wait at the same time. Called
    // from the object's own Run it returns at once, since a thread cannot wait for itself.
    virtual void Wait();

    // True from a successful Start until Run has returned. Readable from any thread.
    bool IsRunning() const { return running.load(); }

   protected:
    // The body of the thread; each concrete thread class supplies it.
    virtual void Run() = 0;

   private:
    static void Entry(Thread* self);

    std::atomic<bool> running{false};
    std::mutex joinMutex;  // one join at a time; guards worker
    std::thread worker;
};

}  // namespace vardo
