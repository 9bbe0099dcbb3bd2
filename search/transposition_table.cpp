#include "search/transposition_table.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "support/memory.h"

namespace vardo {

TranspositionTable::~TranspositionTable() {
    FreeLarge(buckets, bucketCount * sizeof(Bucket));
}

std::size_t TranspositionTable::Resize(std::size_t megabytes) {
    FreeLarge(buckets, bucketCount * sizeof(Bucket));
    buckets = nullptr;
    bucketCount = 0;
    // A table that fills more than half the machine's memory would leave the system swapping
    // or end with the engine killed when its pages are first touched. Any size can be indexed
    // (BucketOf), so the cut is to exactly half.
    const std::size_t physical = PhysicalMemoryBytes() >> 20;
    if (physical > 0 && megabytes > physical / 2) megabytes = physical / 2;
    for (; megabytes > 0; megabytes /= 2) {
        const std::size_t count = (megabytes << 20) / sizeof(Bucket);
        // Every slot starts empty: a zero word pair holds no bound.
        buckets = static_cast<Bucket*>(AllocateLarge(count * sizeof(Bucket)));
        if (buckets != nullptr) {
            bucketCount = count;
            break;
        }
    }
    generation = 0;
    return Megabytes();
}

void TranspositionTable::Clear() {
    if (bucketCount != 0) std::memset(static_cast<void*>(buckets), 0, bucketCount * sizeof(Bucket));
    generation = 0;
}

int TranspositionTable::Hashfull() const {
    constexpr std::size_t SAMPLE = 1000;
    const std::size_t slots = std::min(SAMPLE, bucketCount * SLOTS);
    if (slots == 0) return 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::uint64_t data = Read(buckets[i / SLOTS].slots[i % SLOTS].data);
        if (data != 0 && GenerationOf(data) == generation) ++used;
    }
    return static_cast<int>(used * SAMPLE / slots);
}

std::uint64_t TranspositionTable::Pack(Move move, int score, int depth, Bound bound,
                                       unsigned generation) {
    return std::uint64_t{std::bit_cast<std::uint32_t>(move)} |
           std::uint64_t(static_cast<std::uint16_t>(score + 32768)) << 32 |
           std::uint64_t(static_cast<std::uint8_t>(depth)) << 48 |
           std::uint64_t(static_cast<unsigned>(bound)) << 56 | std::uint64_t{generation} << 59;
}

TableEntry TranspositionTable::Unpack(std::uint64_t data) {
    TableEntry entry;
    entry.move = std::bit_cast<Move>(static_cast<std::uint32_t>(data));
    entry.score = static_cast<int>(data >> 32 & 0xFFFF) - 32768;
    entry.depth = DepthOf(data);
    entry.bound = static_cast<Bound>(data >> 56 & 3);
    return entry;
}

bool TranspositionTable::Probe(std::uint64_t key, int depth, TableEntry& entry) const {
    if (bucketCount == 0) return false;
    bool found = false;
    for (Slot& slot : BucketOf(key).slots) {
        const std::uint64_t data = Read(slot.data);
        const std::uint64_t check = Read(slot.check);
        if ((check ^ data) != key || data == 0) continue;
        const TableEntry stored = Unpack(data);
        if (stored.bound == Bound::NONE) continue;
        if (stored.depth == depth) {
            entry = stored;
            return true;
        }
        if (!found || stored.depth > entry.depth) entry = stored;
        found = true;
    }
    return found;
}

void TranspositionTable::Store(std::uint64_t key, Move move, int score, int depth, Bound bound) {
    if (bucketCount == 0) return;
    Slot* slots = BucketOf(key).slots;
    // The slot of the same key and depth if there is one; else the emptiest or least useful:
    // entries of earlier searches before those of this one, shallower before deeper. Entries
    // of one position at other depths stay, for the threads searching those depths.
    Slot* target = nullptr;
    int worst = 0;
    Move storedMove;
    for (int i = 0; i < SLOTS; ++i) {
        Slot& slot = slots[i];
        const std::uint64_t data = Read(slot.data);
        const bool sameKey = (Read(slot.check) ^ data) == key && data != 0;
        if (sameKey && DepthOf(data) == depth) {
            storedMove = Unpack(data).move;
            target = &slot;
            break;
        }
        if (sameKey && storedMove.IsNull()) storedMove = Unpack(data).move;
        const int value =
            data == 0 ? -1 : DepthOf(data) + (GenerationOf(data) == generation ? 256 : 0);
        if (target == nullptr || value < worst) {
            target = &slot;
            worst = value;
        }
    }
    if (move.IsNull()) move = storedMove;
    const std::uint64_t data = Pack(move, score, depth, bound, generation);
    Write(target->data, data);
    Write(target->check, key ^ data);
}

}  // namespace vardo
