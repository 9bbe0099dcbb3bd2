// A line of play: the principal variation the search collects, first entry = the move played
// at the node that owns it.
#pragma once

#include "board/types.h"

namespace vardo {

// Deepest iteration the driver runs, and so the longest line any node can collect.
constexpr int MAX_DEPTH = 128;

// A fixed-capacity sequence of entries held inline, so a search node can own one without
// allocating; constructing one does not touch its storage. Entries past MAX_DEPTH are dropped
// (no node collects that many).
class Line {
   public:
    using const_iterator = const MoveEntry*;

    const_iterator begin() const { return entries; }
    const_iterator end() const { return entries + count; }
    int size() const { return count; }
    bool empty() const { return count == 0; }
    const MoveEntry& operator[](int i) const { return entries[i]; }
    const MoveEntry& front() const { return entries[0]; }

    void clear() { count = 0; }
    void push_back(const MoveEntry& entry) {
        if (count < MAX_DEPTH) entries[count++] = entry;
    }
    // Replaces the contents with `first` followed by every entry of `rest`.
    void Assign(const MoveEntry& first, const Line& rest) {
        count = 0;
        push_back(first);
        for (const MoveEntry& entry : rest) push_back(entry);
    }

    Line() {}  // leaves the storage uninitialised on purpose: a node's line is often unused
    Line(const Line& other) { *this = other; }
    Line& operator=(const Line& other) {
        count = other.count;
        for (int i = 0; i < count; ++i) entries[i] = other.entries[i];
        return *this;
    }

   private:
    int count = 0;
    union {
        MoveEntry entries[MAX_DEPTH];
    };
};

}  // namespace vardo
