// Move lists: a fixed-capacity list of entries per ply, and the stack of per-ply lists.
#pragma once

#include <cassert>
#include <cstddef>
#include <deque>
#include <vector>

#include "board/types.h"

namespace vardo {

// Room for every pseudo-legal move of any position SetFromFen accepts (at most 16 men a side).
constexpr int MAX_MOVES = 512;

// Ordering score of every promotion, and the least a capture scores. A quiet move scores its
// history count, which ranks it below every capture and promotion as long as the count stays
// below this.
constexpr int PROMOTION_SCORE = 1000000;

// The moves of one position, filled by the generators. Holds its entries inline, so
// generating never allocates.
class MoveList {
   public:
    using iterator = MoveEntry*;
    using const_iterator = const MoveEntry*;

    iterator begin() { return entries; }
    iterator end() { return entries + count; }
    const_iterator begin() const { return entries; }
    const_iterator end() const { return entries + count; }
    int size() const { return count; }
    bool empty() const { return count == 0; }
    MoveEntry& operator[](int i) { return entries[i]; }
    const MoveEntry& operator[](int i) const { return entries[i]; }

    void clear() {
        count = 0;
        checkState = UNKNOWN;
    }
    void push_back(const MoveEntry& entry) {
        assert(count < MAX_MOVES);
        if (count < MAX_MOVES) entries[count++] = entry;
    }

    // Puts at index i the entry that a stable best-first sort would put there; the entries
    // after it keep their order. Called for i = 0, 1, 2, ... in turn on a list in generation
    // order, it yields exactly the sorted order, but a search that stops after the first move
    // (a cutoff) does not pay for sorting the rest. The first SELECTED_PICKS picks select the
    // best of the rest; the next sorts the remainder at once (measured fastest with one).
    void PickNext(int i) {
        if (i < SELECTED_PICKS) {
            int best = i;
            for (int j = i + 1; j < count; ++j)
                if (entries[j].score > entries[best].score) best = j;
            if (best == i) return;
            const MoveEntry chosen = entries[best];
            for (int j = best; j > i; --j) entries[j] = entries[j - 1];
            entries[i] = chosen;
        } else if (i == SELECTED_PICKS) {
            SortFrom(i);
        }
    }

    // Sorts the entries from index `first` on, best score first; equal scores keep their order.
    void SortFrom(int first) {
        for (int i = first + 1; i < count; ++i) {
            const MoveEntry entry = entries[i];
            int j = i;
            while (j > first && entries[j - 1].score < entry.score) {
                entries[j] = entries[j - 1];
                --j;
            }
            entries[j] = entry;
        }
    }

    MoveList() = default;
    MoveList(const MoveList& other) { *this = other; }
    MoveList& operator=(const MoveList& other) {
        count = other.count;
        checkState = other.checkState;
        for (int i = 0; i < count; ++i) entries[i] = other.entries[i];
        return *this;
    }
    friend bool operator==(const MoveList& a, const MoveList& b) {
        if (a.count != b.count) return false;
        for (int i = 0; i < a.count; ++i)
            if (!(a.entries[i] == b.entries[i])) return false;
        return true;
    }

    // Whether the side to move in the position this list belongs to is in check, once known.
    // A cache for MakeMove's legality test; not part of the list's value.
    enum CheckState : signed char { UNKNOWN = -1, NOT_IN_CHECK = 0, IN_CHECK = 1 };
    CheckState checkState = UNKNOWN;

   private:
    // How many of PickNext's picks select the best of the rest before it sorts the remainder.
    static constexpr int SELECTED_PICKS = 1;
    int count = 0;
    MoveEntry entries[MAX_MOVES];
};

// The per-ply lists of a board: one list per move made since the last ClearPlyState, plus
// one. Lists live in a deque whose storage is kept when a ply is removed, so appending a list
// for a new ply neither moves the lists of shallower plies nor allocates once the depth has
// been reached before.
class PlyLists {
   public:
    PlyLists() = default;
    PlyLists(const PlyLists& other) { *this = other; }
    PlyLists& operator=(const PlyLists& other) {
        if (this == &other) return *this;
        while (lists.size() < other.count) Grow();
        for (std::size_t i = 0; i < other.count; ++i) *lists[i] = *other.lists[i];
        count = other.count;
        last = count > 0 ? lists[count - 1] : nullptr;
        return *this;
    }
    friend bool operator==(const PlyLists& a, const PlyLists& b) {
        if (a.count != b.count) return false;
        for (std::size_t i = 0; i < a.count; ++i)
            if (!(*a.lists[i] == *b.lists[i])) return false;
        return true;
    }

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    MoveList& back() { return *last; }
    MoveList& front() { return *lists[0]; }
    const MoveList& back() const { return *last; }
    const MoveList& front() const { return *lists[0]; }
    MoveList& operator[](std::size_t i) { return *lists[i]; }

    // Appends an empty list.
    void push_back() {
        if (count == lists.size()) Grow();
        last = lists[count++];
        last->clear();
    }
    // Removes the last list. The current ply always keeps a list to generate into, so when
    // only one is left (moves taken back past a ClearPlyState) it is emptied instead.
    void pop_back() {
        if (count > 1)
            last = lists[--count - 1];
        else if (count == 1)
            lists[0]->clear();
    }
    // Leaves exactly one empty list.
    void reset() {
        count = 0;
        push_back();
    }

   private:
    // Adds room for one more list.
    void Grow() {
        storage.emplace_back();
        lists.push_back(&storage.back());
    }

    std::deque<MoveList> storage;
    // The lists of `storage` in order: appending to a deque never moves the lists already in
    // it, and a pointer is found without the deque's index arithmetic.
    std::vector<MoveList*> lists;
    std::size_t count = 0;
    // The last list in use.
    MoveList* last = nullptr;
};

}  // namespace vardo
