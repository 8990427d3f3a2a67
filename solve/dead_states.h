// States of the walk already searched to the end without a tiling. A state is the set of covered
// sixths with the number of pieces of each shape used: the rows still open, and so everything
// below, follow from it alone, whatever order the pieces were laid in. Pieces of one shape often
// cover the same area in two ways, so the same dead state comes back again and again.
#pragma once

#include <cstdint>
#include <vector>

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
// search again, while a state is never reported dead that was not found so.
class DeadStates {
public:
    bool contains(const StateKey& k) const {
        if (slots_.empty()) return false;
        const StateKey* group = &slots_[(k.a & mask_) * kWays];
        for (int i = 0; i < kWays; ++i)
            if (group[i] == k) return true;
        return false;
    }
    void insert(const StateKey& k) {
        if (slots_.empty()) slots_.resize(std::size_t{kGroups} * kWays);
        StateKey* group = &slots_[(k.a & mask_) * kWays];
        for (int i = 0; i < kWays; ++i)
            if (group[i] == StateKey{} || group[i] == k) {
                group[i] = k;
                return;
            }
        group[(k.b >> 32) % kWays] = k;
    }

private:
    static constexpr int kWays = 4;
    static constexpr std::uint64_t kGroups = 1u << 19;  // 32 MB per walker that walks
    static constexpr std::uint64_t mask_ = kGroups - 1;
    std::vector<StateKey> slots_;
};

}  // namespace tessera::solve
