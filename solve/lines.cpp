#include "solve/lines.h"

#include "solve/sha256.h"

namespace tessera::solve {

bool take(const std::string& line, const char* word, std::string& rest) {
    const std::string head = std::string(word) + " ";
    if (line.compare(0, head.size(), head) != 0) return false;
    rest = line.substr(head.size());
    return true;
}

std::string sealed(const std::string& text, const char* word) {
    return text + word + " " + sha256_hex(text) + "\n";
}

bool unseal(const std::string& text, std::string& body, const char* word) {
    if (text.size() < 2 || text.back() != '\n') return false;
    const std::size_t newline = text.rfind('\n', text.size() - 2);
    const std::size_t start = newline == std::string::npos ? 0 : newline + 1;
    const std::string before = text.substr(0, start);
    if (text.compare(start, std::string::npos, std::string(word) + " " + sha256_hex(before) + "\n") != 0) return false;
    body = before;
    return true;
}

bool take_hash_and_name(const std::string& rest, std::string& hash, std::string& name) {
    if (rest.size() < 66 || rest[64] != ' ' || rest.find_first_not_of("0123456789abcdef") < 64) return false;
    hash = rest.substr(0, 64);
    name = rest.substr(65);
    return true;
}

}  // namespace tessera::solve
