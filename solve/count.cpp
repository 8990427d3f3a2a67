#include "solve/count.h"

#include <algorithm>

namespace tessera::solve {

BigCount::BigCount(std::uint64_t v) {
    limbs_ = {static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
    trim();
}

void BigCount::trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

void BigCount::add(const BigCount& other) {
    limbs_.resize(std::max(limbs_.size(), other.limbs_.size()) + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
        carry += limbs_[i];
        if (i < other.limbs_.size()) carry += other.limbs_[i];
        limbs_[i] = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    trim();
}

void BigCount::multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
        carry += static_cast<std::uint64_t>(limb) * factor;
        limb = static_cast<std::uint32_t>(carry);
        carry >>= 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
    trim();
}

bool BigCount::at_least(std::uint64_t n) const {
    if (limbs_.size() > 2) return true;
    std::uint64_t v = 0;
    for (std::size_t i = limbs_.size(); i-- > 0;) v = v << 32 | limbs_[i];
    return v >= n;
}

std::string BigCount::text() const {
    if (limbs_.empty()) return "0";
    std::vector<std::uint32_t> n = limbs_;
    std::string digits;
    while (!n.empty()) {
        std::uint64_t rest = 0;
        for (std::size_t i = n.size(); i-- > 0;) {
            const std::uint64_t cur = rest << 32 | n[i];
            n[i] = static_cast<std::uint32_t>(cur / 10);
            rest = cur % 10;
        }
        digits.push_back(static_cast<char>('0' + rest));
        while (!n.empty() && n.back() == 0) n.pop_back();
    }
    return {digits.rbegin(), digits.rend()};
}

bool BigCount::parse(const std::string& text, BigCount& out) {
    if (text.empty() || text.size() > 4000) return false;
    BigCount v;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        v.multiply(10);
        v.add(BigCount(static_cast<std::uint64_t>(ch - '0')));
    }
    out = v;
    return true;
}

}  // namespace tessera::solve
