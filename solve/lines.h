// Reading and sealing the text files that counts depend on (checkpoints, manifests, unit results,
// journals). A seal is a closing line with the SHA-256 of everything before it: a file cut
// short, a line doubled or dropped, a count edited by hand, all fail it, and the reader refuses
// the file instead of counting it.
#pragma once

#include <sstream>
#include <string>

namespace tessera::solve {

// Reads a text line by line, with the line number for messages.
class Lines {
public:
    explicit Lines(const std::string& text) : in_(text) {}
    bool next(std::string& line) {
        ++number_;
        return static_cast<bool>(std::getline(in_, line));
    }
    long number() const { return number_; }

private:
    std::istringstream in_;
    long number_ = 0;
};

// "word rest of line": false when the line does not start with `word` and a blank.
bool take(const std::string& line, const char* word, std::string& rest);

// The text with its seal line, "`word` <sha256 of text>\n", appended.
std::string sealed(const std::string& text, const char* word = "seal");

// The text before a whole seal line that matches it; false when the last line is no such seal.
bool unseal(const std::string& text, std::string& body, const char* word = "seal");

// A 64-hex-digit SHA-256 followed by a blank and a name: "hash name".
bool take_hash_and_name(const std::string& rest, std::string& hash, std::string& name);

}  // namespace tessera::solve
