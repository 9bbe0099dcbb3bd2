// Which positions the threads of a parallel search are searching at the moment, so that a
// thread can turn to other moves meanwhile.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vardo {

// The positions the threads of a search are in the middle of searching, by table key, so that
// another thread can search something else meanwhile. Only a hint: a mark may be overwritten
// by another key in its slot, or left behind by a stopped search.
class BusyTable {
   public:
    bool IsBusy(std::uint64_t key) const {
        return slots[key & MASK].load(std::memory_order_relaxed) == key;
    }
    void Mark(std::uint64_t key) { slots[key & MASK].store(key, std::memory_order_relaxed); }
    void Unmark(std::uint64_t key) {
        std::uint64_t expected = key;
        slots[key & MASK].compare_exchange_strong(expected, 0, std::memory_order_relaxed);
    }
    void Clear() {
        for (auto& slot : slots) slot.store(0, std::memory_order_relaxed);
    }

   private:
    static constexpr std::size_t SIZE = 1 << 14;
    static constexpr std::uint64_t MASK = SIZE - 1;
    std::atomic<std::uint64_t> slots[SIZE] = {};
};

// Marks a position busy for the life of a scope (nothing when `table` is null).
class BusyMark {
   public:
    BusyMark(BusyTable* marks, std::uint64_t marked) : table(marks), key(marked) {
        if (table != nullptr) table->Mark(key);
    }
    ~BusyMark() {
        if (table != nullptr) table->Unmark(key);
    }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

   private:
    BusyTable* table;
    std::uint64_t key;
};

}  // namespace vardo
