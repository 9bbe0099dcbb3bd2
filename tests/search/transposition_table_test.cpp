// The transposition table: entries come back as stored, a full bucket gives up its least
// useful entry, and an entry read while another thread writes it is never taken for another.
#include "search/transposition_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace vardo {
namespace {

// What the tests store for a key: every field derived from it, so that a reader can tell an
// entry written whole from one mixed from two writes.
struct Stored {
    Move move;
    int score;
    int depth;
    Bound bound;
};
Stored For(std::uint64_t key) {
    const auto mixed = static_cast<std::uint32_t>(key * 0x9E3779B97F4A7C15ULL >> 32);
    const Move move{static_cast<std::int8_t>(mixed % 64), static_cast<std::int8_t>(mixed / 64 % 64),
                    0, static_cast<std::uint8_t>(mixed >> 12 & 1)};
    return {move, static_cast<int>(mixed >> 13 & 0x3FFF) - 8192, static_cast<int>(mixed >> 27) + 1,
            static_cast<Bound>(1 + (mixed >> 20) % 3)};
}

// Keys whose high bits agree land in one bucket of a small table.
std::uint64_t SameBucketKey(int i) {
    return 0x1234000000000000ULL + static_cast<std::uint64_t>(i) * 0x10001ULL;
}

TEST(TranspositionTable, EntriesComeBackAsStoredAndBucketsKeepTheDeepest) {
    TranspositionTable table;
    TableEntry entry;
    EXPECT_FALSE(table.Probe(1, 1, entry));  // no table: every probe misses
    table.Store(1, Move{}, 0, 1, Bound::EXACT);
    EXPECT_EQ(table.Resize(1), 1u);

    for (int i = 0; i < 4; ++i) {
        const std::uint64_t key = SameBucketKey(i);
        const Stored s = For(key);
        table.Store(key, s.move, s.score, i + 1, s.bound);
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t key = SameBucketKey(i);
        ASSERT_TRUE(table.Probe(key, 0, entry)) << i;
        EXPECT_EQ(entry.move, For(key).move);
        EXPECT_EQ(entry.score, For(key).score);
        EXPECT_EQ(entry.depth, i + 1);
        EXPECT_EQ(entry.bound, For(key).bound);
    }
    // A fifth key takes the shallowest slot; a null move keeps the one stored for the key.
    table.Store(SameBucketKey(4), Move{}, 5, 9, Bound::LOWER);
    EXPECT_FALSE(table.Probe(SameBucketKey(0), 0, entry));
    EXPECT_TRUE(table.Probe(SameBucketKey(1), 0, entry));
    table.Store(SameBucketKey(1), Move{}, -7, 3, Bound::UPPER);
    ASSERT_TRUE(table.Probe(SameBucketKey(1), 0, entry));
    EXPECT_EQ(entry.move, For(SameBucketKey(1)).move);
    EXPECT_EQ(entry.score, -7);

    table.Clear();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(table.Probe(SameBucketKey(i), 0, entry));
}

// Two threads write one bucket over and over with more keys than it holds while a third reads
// it until it has found many entries: every entry found for a key carries exactly what was
// stored for that key.
TEST(TranspositionTable, EntriesReadDuringWritesAreWhole) {
    TranspositionTable table;
    table.Resize(1);
    constexpr int KEYS = 12;
    std::atomic<bool> done{false};
    auto writer = [&](int first) {
        while (!done.load())
            for (int i = first; i < KEYS; i += 2) {
                const std::uint64_t key = SameBucketKey(i);
                const Stored s = For(key);
                table.Store(key, s.move, s.score, s.depth, s.bound);
            }
    };
    std::thread a(writer, 0), b(writer, 1);
    long found = 0, torn = 0;
    std::thread reader([&] {
        while (found < 200000) {
            for (int i = 0; i < KEYS; ++i) {
                TableEntry entry;
                const std::uint64_t key = SameBucketKey(i);
                if (!table.Probe(key, 0, entry)) continue;
                ++found;
                const Stored s = For(key);
                if (!(entry.move == s.move) || entry.score != s.score || entry.depth != s.depth ||
                    entry.bound != s.bound)
                    ++torn;
            }
        }
    });
    reader.join();
    done = true;
    a.join();
    b.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace vardo
