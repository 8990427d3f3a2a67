// The search parameters: one table from which the window's defaults, the command-line options
// and their help are all made, and the rule that turns a parameter text into a number.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/control_panel.h"
#include "app/solver_state.h"

namespace tessera {

struct ParamSpec {
    i32 SearchParams::*field;
    const char* name;          // the field's name
    Control control;           // the edit box that feeds it
    const char* default_text;  // the edit box's initial text
    const char* option;        // command-line option that sets it with its partner, as "X,Y"
    int part;                  // 0: the X (row) of the option's pair, 1: the Y (column)
    const char* help;          // help text of the option (same for both parts)
};

// In the order in which a search reads them.
inline constexpr std::array<ParamSpec, 10> kParamTable{{
    {&SearchParams::start_x, "start_x", Control::Edit4, "0", "--start", 0,
     "start corner X,Y of the limit rectangle (exclusive)"},
    {&SearchParams::start_y, "start_y", Control::Edit5, "0", "--start", 1, nullptr},
    {&SearchParams::end_x, "end_x", Control::Edit2, "20", "--end", 0,
     "end corner X,Y of the limit rectangle (inclusive)"},
    {&SearchParams::end_y, "end_y", Control::Edit3, "40", "--end", 1, nullptr},
    {&SearchParams::margin_start_x, "margin_start_x", Control::Edit8, "0", "--margin-start", 0,
     "margins X,Y added to the start corner for the region test"},
    {&SearchParams::margin_start_y, "margin_start_y", Control::Edit9, "0", "--margin-start", 1,
     nullptr},
    {&SearchParams::margin_end_x, "margin_end_x", Control::Edit6, "3", "--margin-end", 0,
     "margins X,Y taken off the end corner for the region test"},
    {&SearchParams::margin_end_y, "margin_end_y", Control::Edit7, "5", "--margin-end", 1, nullptr},
    {&SearchParams::first_x, "first_x", Control::Edit10, "1", "--first", 0,
     "first point X,Y: the board cell of the first piece's anchor"},
    {&SearchParams::first_y, "first_y", Control::Edit11, "18", "--first", 1, nullptr},
}};

// Leading white space is skipped, then an optional sign and the longest run of decimal digits
// are taken; anything else ends the number, and a text without leading digits is 0. Values
// beyond the 32-bit range stop at its ends.
i32 atol_rule(std::string_view text);

// The parameters as a search reads them from the panel.
SearchParams read_params(ControlPanel& panel);

// The region that the limit test covers, in 64-bit so that no sum of parameters overflows.
struct Region {
    std::int64_t x1, y1, x2, y2;
};
Region limit_region(const SearchParams& p);

// What is wrong with a set of parameters: nothing (an empty line), or one line that says which
// parameter makes no sense and the short status that the panel shows for it.
struct ParamsFault {
    std::string line;
    const char* status = "";
    bool empty() const { return line.empty(); }
};
ParamsFault params_fault(const SearchParams& p);
// With the limits on: a rectangle whose start lies beyond its end, or whose margins leave no
// cell of the board, in one line naming the axis; empty when the region has a cell.
std::string region_fault(const SearchParams& p);

// The pairs of the table that the command line sets together ("--start X,Y" ...), in the order
// of the table: the index of an option, and the option of an index (-1 and "" for none).
inline constexpr int kPairOptions = 5;
int pair_index(const char* option);
std::string pair_option(int index);
// Puts pair texts ("X,Y", empty for none) and the other inputs into the panel's fields as the
// window would hold them.
void fill_panel(MemoryPanel& panel, bool limits, const std::string& resume, const std::string (&pairs)[kPairOptions]);

}  // namespace tessera
