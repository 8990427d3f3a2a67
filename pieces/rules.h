// The 36 local shape rules. A rule names a cell (its parity and code) and what its neighbours
// in the same grid must hold; a cell that satisfies rule k is a spike of kind k, and an empty
// corner next to a piece that satisfies it in complement is a hole of kind k.
#pragma once

namespace tessera {

struct RuleCondition {
    int dr, dc;    // neighbour offset from the tested cell
    int count;     // how many codes are allowed
    int codes[2];  // the allowed codes
};

struct Rule {
    bool even;  // the tested cell's row + column is even
    int code;
    int conditions;
    RuleCondition condition[2];
};

// Indexed by kind 1..36; entry 0 is unused.
extern const Rule kRules[37];

// Which kinds are tested, in which order, for a cell of a given parity and code; nullptr when
// no rule applies. The returned list ends with 0.
const int* kinds_to_test(bool even, int code);

// A rule evaluated on a piece grid. `at(dr, dc)` yields the code the rule reads at that offset.
template <class CodeAt>
bool rule_holds(const Rule& rule, CodeAt at) {
    for (int i = 0; i < rule.conditions; ++i) {
        const RuleCondition& cond = rule.condition[i];
        const int code = at(cond.dr, cond.dc);
        bool ok = false;
        for (int j = 0; j < cond.count; ++j) ok = ok || code == cond.codes[j];
        if (!ok) return false;
    }
    return true;
}

}  // namespace tessera
