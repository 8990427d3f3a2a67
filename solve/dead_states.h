// States of the walk already searched to the end without a tiling. A state is the set of covered
// sixths with the number of pieces of each shape used: the rows still open, and so everything
// below, follow from it alone, whatever order the pieces were laid in. Pieces of one shape often
// cover the same area in two ways, so the same dead state comes back again and again.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace tessera::solve {

// A state's key: the sums of random 64-bit keys of its covered sixths and used shapes, over
// two independent sets of keys. A sum, unlike an exclusive or, tells two pieces of one shape
// from none; with 128 bits two states share a key with negligible odds.
struct StateKey {
    std::uint64_t a = 0, b = 0;
    StateKey& operator+=(const StateKey& o) {
        a += o.a;
        b += o.b;
        return *this;
    }
    StateKey& operator-=(const StateKey& o) {
        a -= o.a;
        b -= o.b;
        return *this;
    }
    bool operator==(const StateKey&) const = default;
};

// The random key of item `n` (a sixth, or a shape after the sixths), from a fixed seed.
inline StateKey state_key_of(std::uint64_t n) {
    auto mix = [](std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    return {mix(2 * n + 0x9e3779b97f4a7c15ULL), mix(2 * n + 1 + 0x9e3779b97f4a7c15ULL)};
}

// A fixed-size table that forgets old states when a group is full: forgetting only costs a
// search again, while a state is never reported dead that was not found so. The threads of a
// run share one table without locks: an entry is two words written one after the other, and a
// read that meets halves of two different writes matches a key only with the odds of a 64-bit
// collision.
class DeadStates {
public:
    DeadStates() : words_(new std::atomic<std::uint64_t>[kGroups * kWays * 2]()) {}

    bool contains(const StateKey& k) const {
        const std::atomic<std::uint64_t>* group = &words_[(k.a & kMask) * kWays * 2];
        for (int i = 0; i < kWays; ++i)
            if (group[2 * i].load(std::memory_order_relaxed) == k.a &&
                group[2 * i + 1].load(std::memory_order_relaxed) == k.b)
                return true;
        return false;
    }
    void insert(const StateKey& k) {
        std::atomic<std::uint64_t>* group = &words_[(k.a & kMask) * kWays * 2];
        int slot = static_cast<int>((k.b >> 32) % kWays);
        for (int i = 0; i < kWays; ++i) {
            const std::uint64_t a = group[2 * i].load(std::memory_order_relaxed);
            if (a == 0 || a == k.a) {
                slot = i;
                break;
            }
        }
        group[2 * slot].store(k.a, std::memory_order_relaxed);
        group[2 * slot + 1].store(k.b, std::memory_order_relaxed);
    }

private:
    static constexpr int kWays = 4;
    static constexpr std::uint64_t kGroups = 1u << 19;  // 32 MB
    static constexpr std::uint64_t kMask = kGroups - 1;
    std::unique_ptr<std::atomic<std::uint64_t>[]> words_;
};

}  // namespace tessera::solve
