// The journal of a tessera-mpi job: what rank 0 made of the problem and what came back, so that a
// job killed at any moment goes on with --continue and ends with the count of a single solve.
//
// A journal is a header and then records, one line each, appended by one write and synced:
//   split N PREFIX...                          the first split: units 0..N-1
//   done ID SOLUTIONS TILINGS NODES back K PREFIX... wrote F
//                                              unit ID searched; the K parts it handed back
//                                              become the next units; F solution files written
// Every record ends with a seal (16 hex digits of the SHA-256 of the seal before it and the
// record), so a record cut by a kill is seen as such, and one dropped, doubled or moved too. A reader takes the whole records and drops a cut tail; a record that is
// damaged anywhere but at the end makes the journal refused. A unit's solution files are in
// place before its `done` record is written, and the units it hands back are in that same
// record, so no kill can count a unit twice or count a solution that is not on disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "solve/count.h"
#include "solve/walker.h"

namespace tessera::work {

using solve::Prefix;

inline constexpr const char* kJournalName = "mpi_journal.txt";

// "N p r c o ..." and back: a prefix as the journal and the ranks' messages write it.
std::string prefix_text(const Prefix& p);
bool read_prefix(std::istream& in, Prefix& p);

std::string journal_header(std::uint64_t fingerprint);
// The seal that the first record's seal follows.
std::string journal_seal(std::uint64_t fingerprint);
// The records' content, before the seal.
std::string split_content(const std::vector<Prefix>& units);
std::string done_content(std::size_t id, const solve::BigCount& solutions, std::uint64_t tilings, std::uint64_t nodes,
                         const std::vector<Prefix>& back, std::uint64_t wrote);
// The record's line, sealed after `seal`, which becomes its own seal.
std::string sealed_record(std::string& seal, const std::string& content);

// What the whole records of a journal say.
struct JournalState {
    bool split = false;          // the first split is there; without it nothing was done
    std::vector<Prefix> units;   // every unit made, by id
    std::vector<bool> done;
    solve::BigCount solutions;
    std::uint64_t tilings = 0, nodes = 0, written = 0;
    std::size_t units_done = 0;
    std::size_t whole = 0;  // bytes of the journal up to the end of its last whole record
    std::string seal;       // of the last whole record: the next record's seal follows it
};

// Reads a journal's text for the problem with `fingerprint`. Empty, or one line naming the
// file, the line and the fault.
std::string read_journal(const std::string& path, const std::string& text, std::uint64_t fingerprint,
                         JournalState& out);

// The journal file of a running job. Each record is written by one write and synced before the
// call returns; a failed write is reported by its errno.
class JournalFile {
public:
    JournalFile() = default;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile();
    // A new journal: the file is made anew with its header. Returns 0 or the errno.
    int create(const std::string& path, std::uint64_t fingerprint);
    // An earlier job's journal that holds its first split, cut back to its last whole record.
    // Returns 0 or the errno.
    int reopen(const std::string& path, const JournalState& state);
    // Seals a record's content and appends it. Returns 0 or the errno.
    int append(const std::string& content);

private:
    int fd_ = -1;
    std::string seal_;
};

}  // namespace tessera::work
