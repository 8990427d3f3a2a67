// The notes that start-up gives on one piece file, one line each on standard error. The first
// twenty are printed and the rest only counted, so that a file of millions of faulty groups
// cannot flood the terminal; the count follows in one line at the end.
#pragma once

namespace tessera {

class FileNotes {
public:
    static constexpr long kShown = 20;

    void begin() { shown_ = left_out_ = 0; }
    [[gnu::format(printf, 2, 3)]] void add(const char* fmt, ...);
    // The line with the count of the notes left out, when there were any.
    void end(const char* file);

private:
    long shown_ = 0;
    long left_out_ = 0;
};

}  // namespace tessera
