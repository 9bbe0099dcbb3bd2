// A plain mutual-exclusion lock. Every Thread is also a Mutex, so the object's own lock guards
// the fields it shares with other threads.
#pragma once

#include <mutex>

namespace vardo {

class Mutex {
   public:
    Mutex() = default;
    virtual ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Blocks until the calling thread holds the lock. Not recursive: a thread that already
    // holds it must not lock it again. Const so that const readers of guarded fields can lock.
    void Lock() const;
    void Unlock() const;

   private:
    mutable std::mutex mutex;
};

// Holds a Mutex for the life of a scope.
class MutexLock {
   public:
    explicit MutexLock(const Mutex& m) : held(m) { held.Lock(); }
    ~MutexLock() { held.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

   private:
    const Mutex& held;
};

}  // namespace vardo
