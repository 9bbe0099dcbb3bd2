// The transposition table: what searches have found about positions, by the board's position
// key, so that a position met again (by another order of moves, in a later iteration or turn)
// is searched with its best move first, and where its score is certain, not searched again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "board/types.h"

namespace vardo {

// What a stored score says about the position's value with that remaining depth.
enum class Bound : std::uint8_t {
    NONE = 0,
    UPPER = 1,  // the value is at most the score (no move raised alpha)
    LOWER = 2,  // the value is at least the score (a move reached beta)
    EXACT = 3,  // the value is the score: both bounds
};

// One stored search result, unpacked.
struct TableEntry {
    Move move;  // the best move or refutation; the null move when none raised alpha
    int score = 0;
    int depth = 0;  // remaining depth of the search that stored it
    Bound bound = Bound::NONE;
};

// A cache line of its own: threads that share the table read its fields at every node, and
// would otherwise contend for the line with whatever the owning thread writes beside it.
class alignas(64) TranspositionTable {
   public:
    static constexpr std::size_t DEFAULT_MEGABYTES = 32;

    // An empty table: every probe misses and nothing is stored until Resize.
    TranspositionTable() = default;
    ~TranspositionTable();
    TranspositionTable(const TranspositionTable&) = delete;
    TranspositionTable& operator=(const TranspositionTable&) = delete;

    // Replaces the table with an empty one of at most `megabytes` (0: none at all), never more
    // than half the machine's memory. When that much cannot be had, the size is halved until
    // an allocation succeeds. Returns the megabytes obtained, which the caller reports when
    // they fall short of the request.
    std::size_t Resize(std::size_t megabytes);
    std::size_t Megabytes() const { return bucketCount * sizeof(Bucket) >> 20; }

    // Forgets every entry. Writes the whole table, so its pages are all in place afterwards.
    void Clear();
    // Starts a new search: entries of earlier searches are replaced first.
    void NewSearch() { generation = (generation + 1) & GENERATION_MASK; }

    // How full the table is in thousandths: the share of the first slots (at most a thousand)
    // that hold an entry of the current search. Safe while other threads store.
    int Hashfull() const;

    // Asks for the bucket of `key` to be brought into the cache, ahead of its probe.
    void Prefetch(std::uint64_t key) const {
        if (bucketCount != 0) __builtin_prefetch(&BucketOf(key));
    }
    // The entry stored for `key` at `depth` if there is one, else its deepest entry, if any.
    bool Probe(std::uint64_t key, int depth, TableEntry& entry) const;
    // Stores a result for `key` at `depth`, over the entry of the same key and depth or else
    // the least useful entry of its bucket. A null `move` keeps a move stored for the key.
    void Store(std::uint64_t key, Move move, int score, int depth, Bound bound);

   private:
    // An entry is two words: the data, and the key XORed with the data. A reader that sees the
    // halves of two different writes (threads that share the table) finds the key check fails,
    // so a torn entry never passes for a stored one. Each word is read and written whole, as
    // an atomic; the table is cleared only while no search runs.
    struct Slot {
        std::uint64_t check;
        std::uint64_t data;
    };
    static std::uint64_t Read(std::uint64_t& word) {
        return std::atomic_ref<std::uint64_t>(word).load(std::memory_order_relaxed);
    }
    static void Write(std::uint64_t& word, std::uint64_t value) {
        std::atomic_ref<std::uint64_t>(word).store(value, std::memory_order_relaxed);
    }
    static constexpr int SLOTS = 4;
    // One cache line of slots.
    struct alignas(64) Bucket {
        Slot slots[SLOTS];
    };
    static_assert(sizeof(Bucket) == 64);

    static constexpr unsigned GENERATION_MASK = 31;

    // Data word: move (bits 0-31), score + 32768 (32-47), depth (48-55), bound (56-57),
    // generation (59-63).
    static std::uint64_t Pack(Move move, int score, int depth, Bound bound, unsigned generation);
    static TableEntry Unpack(std::uint64_t data);
    static unsigned GenerationOf(std::uint64_t data) { return unsigned(data >> 59); }
    static int DepthOf(std::uint64_t data) { return int(data >> 48 & 0xFF); }

    Bucket& BucketOf(std::uint64_t key) const {
        // The key's high bits scaled to the bucket count: any count works, not only powers of
        // two.
        __extension__ using Wide = unsigned __int128;
        return buckets[static_cast<std::size_t>((Wide{key} * bucketCount) >> 64)];
    }

    Bucket* buckets = nullptr;  // from AllocateLarge
    std::size_t bucketCount = 0;
    unsigned generation = 0;
};

}  // namespace vardo
