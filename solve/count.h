// Solution counts that do not overflow: a board with forty free pieces of one shape has 40!
// solutions for each tiling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessera::solve {

class BigCount {
public:
    BigCount() = default;
    explicit BigCount(std::uint64_t v);
    void add(const BigCount& other);
    void multiply(std::uint32_t factor);
    bool is_zero() const { return limbs_.empty(); }
    // Whether the count has reached `n` (n below 2^64).
    bool at_least(std::uint64_t n) const;
    std::string text() const;
    // Reads the decimal text written by text(); false on anything else.
    static bool parse(const std::string& text, BigCount& out);
    friend bool operator==(const BigCount&, const BigCount&) = default;

private:
    void trim();
    std::vector<std::uint32_t> limbs_;  // little-endian, no leading zero limbs
};

}  // namespace tessera::solve
