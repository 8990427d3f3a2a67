#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace tessera::cli {

namespace {

// The whole text as an integer of type T, or false.
template <typename T>
bool whole_number(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

[[noreturn]] void refuse(const std::string& name, const std::string& text, const std::string& accepts) {
    throw CLI::ValidationError(name, "'" + text + "' is not " + accepts);
}

}  // namespace

CLI::Option* add_count_option(CLI::App* sub, const std::string& name, std::int64_t& target, std::int64_t least,
                              const std::string& help) {
    const auto read = [&target, name, least](const std::string& text) {
        std::int64_t value = 0;
        if (!whole_number(text, value) || value < least)
            refuse(name, text,
                   "a whole number of decimal digits from " + std::to_string(least) + " to " +
                       std::to_string(std::numeric_limits<std::int64_t>::max()));
        target = value;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("N");
}

CLI::Option* add_seconds_option(CLI::App* sub, const std::string& name, double& target, const std::string& help,
                                bool above_zero) {
    const auto read = [&target, name, above_zero](const std::string& text) {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0 ||
            (above_zero && value == 0))
            refuse(name, text,
                   above_zero ? "a number of seconds above 0, such as 30 or 2.5"
                              : "a number of seconds, 0 or more, such as 30 or 2.5");
        target = value;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("S");
}

CLI::Option* add_pair_option(CLI::App* sub, const std::string& name, std::string& target, const std::string& help) {
    const auto read = [&target, name](const std::string& text) {
        const std::size_t comma = text.find(',');
        std::int32_t x = 0, y = 0;
        if (comma == std::string::npos || !whole_number(std::string_view(text).substr(0, comma), x) ||
            !whole_number(std::string_view(text).substr(comma + 1), y))
            refuse(name, text, "two whole numbers X,Y, such as 10,21");
        target = text;
    };
    return sub->add_option_function<std::string>(name, read, help)->type_name("X,Y");
}

}  // namespace tessera::cli
