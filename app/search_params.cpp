#include "app/search_params.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/text.h"
#include "board/board.h"

namespace tessera {

i32 atol_rule(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{1} << 32);
    if (negative) value = -value;
    return static_cast<i32>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

SearchParams read_params(ControlPanel& panel) {
    SearchParams p{};
    p.use_limits = panel.checked(Control::CheckBox1) ? 1 : 0;
    for (const ParamSpec& entry : kParamTable) p.*entry.field = atol_rule(panel.text(entry.control));
    return p;
}

Region limit_region(const SearchParams& p) {
    return {std::int64_t{p.start_x} + p.margin_start_x, std::int64_t{p.start_y} + p.margin_start_y,
            std::int64_t{p.end_x} - p.margin_end_x, std::int64_t{p.end_y} - p.margin_end_y};
}

std::string region_fault(const SearchParams& p) {
    const auto axis = [](const char* name, std::int64_t start, std::int64_t margin_start, std::int64_t end,
                         std::int64_t margin_end, int cells) -> std::string {
        if (start > end)
            return format("the limit rectangle is empty: its start %s %lld lies beyond its end %s %lld", name,
                          static_cast<long long>(start), name, static_cast<long long>(end));
        const std::int64_t first = start + margin_start, last = end - margin_end;
        // The region's cells are first < cell <= last, and only those on the board count.
        if (first >= last || first >= cells - 1 || last < 0)
            return format("the margins leave no region: %s runs from %lld + %lld to %lld - %lld, no cell of the board",
                          name, static_cast<long long>(start), static_cast<long long>(margin_start),
                          static_cast<long long>(end), static_cast<long long>(margin_end));
        return {};
    };
    if (std::string fault = axis("X", p.start_x, p.margin_start_x, p.end_x, p.margin_end_x, kBoardRows); !fault.empty())
        return fault;
    return axis("Y", p.start_y, p.margin_start_y, p.end_y, p.margin_end_y, kBoardCols);
}

ParamsFault params_fault(const SearchParams& p) {
    // A limit region without a cell would read as filled at once, over and over: the search
    // would start again on an empty board with every first piece and keep nothing.
    if (p.use_limits != 0)
        if (std::string fault = region_fault(p); !fault.empty()) return {fault, "Chybne parametry"};
    // Everything else off the board only reads as full; a first point off the board would put
    // the first piece's anchor outside the matrix, so no search can begin there.
    if (!on_board(p.first_x, p.first_y))
        return {format("first point %d,%d lies outside the board (X 0..31, Y 0..54)", p.first_x, p.first_y),
                "Chybne parametry"};
    // No piece's anchor fits on a full cell, so a search from there would try every first piece
    // in vain and read as an exhausted search.
    BoardMatrix board;
    fill_initial_board(board);
    if (board[p.first_x][p.first_y] == kFull)
        return {format("first point %d,%d lies on a full cell of the board's frame: no first piece fits there",
                       p.first_x, p.first_y),
                "Prvni bod je plny"};
    return {};
}

int pair_index(const char* option) {
    int index = -1;
    const char* last = nullptr;
    for (const ParamSpec& entry : kParamTable) {
        if (!last || std::string_view(last) != entry.option) ++index, last = entry.option;
        if (std::string_view(option) == entry.option) return index;
    }
    return -1;
}

std::string pair_option(int index) {
    for (const ParamSpec& entry : kParamTable)
        if (pair_index(entry.option) == index) return entry.option;
    return {};
}

void fill_panel(MemoryPanel& panel, bool limits, const std::string& resume,
                const std::string (&pairs)[kPairOptions]) {
    panel.set_checked(limits);
    panel.set_text(Control::Edit1, resume);
    for (const ParamSpec& entry : kParamTable) {
        const std::string& pair = pairs[pair_index(entry.option)];
        if (pair.empty()) continue;
        const std::size_t comma = pair.find(',');
        const std::string part = entry.part == 0 ? pair.substr(0, comma)
                                                : (comma == std::string::npos ? std::string() : pair.substr(comma + 1));
        panel.set_text(entry.control, part);
    }
}

}  // namespace tessera
