#include "work/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <sstream>

#include "app/text.h"
#include "solve/sha256.h"

namespace tessera::work {

namespace {

constexpr const char* kHeader = "tessera-mpi journal 2";
constexpr std::size_t kSealDigits = 16;

// A record's seal covers the seal before it (the header's, for the first), so that a record
// dropped or moved is seen too: the next seal no longer matches.
std::string seal_of(const std::string& previous, const std::string& content) {
    return solve::sha256_hex(previous + content).substr(0, kSealDigits);
}

// The content of a record line whose seal matches, or false.
bool unsealed(const std::string& line, const std::string& previous, std::string& content) {
    if (line.size() < kSealDigits + 1 || line[line.size() - kSealDigits - 1] != ' ') return false;
    content = line.substr(0, line.size() - kSealDigits - 1);
    return line.compare(line.size() - kSealDigits, kSealDigits, seal_of(previous, content)) == 0;
}

bool read_prefixes(std::istream& in, std::size_t n, std::vector<Prefix>& out) {
    for (std::size_t i = 0; i < n; ++i) {
        Prefix p;
        if (!read_prefix(in, p)) return false;
        out.push_back(std::move(p));
    }
    return true;
}

bool at_end(std::istream& in) {
    std::string tail;
    return !(in >> tail);
}

// Applies one record to the state; false when it does not fit what came before.
bool apply_record(const std::string& content, JournalState& s) {
    std::istringstream in(content);
    std::string word;
    std::size_t n = 0;
    in >> word;
    if (word == "split") {
        if (s.split || !(in >> n) || n > content.size()) return false;
        s.split = true;
        if (!read_prefixes(in, n, s.units) || !at_end(in)) return false;
        s.done.assign(s.units.size(), false);
        return true;
    }
    if (word != "done" || !s.split) return false;
    std::size_t id = 0;
    std::string solutions, back, wrote;
    std::uint64_t tilings = 0, nodes = 0, files = 0;
    solve::BigCount count;
    if (!(in >> id >> solutions >> tilings >> nodes >> back >> n) || back != "back" || id >= s.units.size() ||
        s.done[id] || !solve::BigCount::parse(solutions, count) || n > content.size())
        return false;
    if (!read_prefixes(in, n, s.units) || !(in >> wrote >> files) || wrote != "wrote" || !at_end(in)) return false;
    s.done.resize(s.units.size(), false);
    s.done[id] = true;
    ++s.units_done;
    s.solutions.add(count);
    s.tilings += tilings;
    s.nodes += nodes;
    s.written += files;
    return true;
}

int write_all(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

}  // namespace

std::string prefix_text(const Prefix& p) {
    std::string out = std::to_string(p.size());
    for (const Placement& e : p) out += format(" %d %d %d %d", e.piece, e.row, e.col, e.orientation);
    return out;
}

bool read_prefix(std::istream& in, Prefix& p) {
    std::size_t n = 0;
    if (!(in >> n) || n > static_cast<std::size_t>(kPieceCount)) return false;
    p.assign(n, Placement{});
    for (Placement& e : p)
        if (!(in >> e.piece >> e.row >> e.col >> e.orientation)) return false;
    return true;
}

std::string journal_header(std::uint64_t fingerprint) {
    return format("%s\nproblem %016" PRIx64 "\n", kHeader, fingerprint);
}

std::string journal_seal(std::uint64_t fingerprint) { return seal_of("", journal_header(fingerprint)); }

std::string split_content(const std::vector<Prefix>& units) {
    std::string content = format("split %zu", units.size());
    for (const Prefix& p : units) content.append(" ").append(prefix_text(p));
    return content;
}

std::string done_content(std::size_t id, const solve::BigCount& solutions, std::uint64_t tilings, std::uint64_t nodes,
                         const std::vector<Prefix>& back, std::uint64_t wrote) {
    std::string content = format("done %zu %s %" PRIu64 " %" PRIu64 " back %zu", id, solutions.text().c_str(), tilings,
                                 nodes, back.size());
    for (const Prefix& p : back) content.append(" ").append(prefix_text(p));
    return content + format(" wrote %" PRIu64, wrote);
}

std::string sealed_record(std::string& seal, const std::string& content) {
    seal = seal_of(seal, content);
    return content + " " + seal + "\n";
}

std::string read_journal(const std::string& path, const std::string& text, std::uint64_t fingerprint,
                         JournalState& out) {
    out = JournalState{};
    const std::string header = journal_header(fingerprint);
    // A header cut short by a kill: nothing was done yet.
    if (text.size() < header.size() && header.compare(0, text.size(), text) == 0) return {};
    if (text.rfind("tessera-mpi journal 1\n", 0) == 0)
        return path + ": a journal of an earlier version, which cannot be continued safely; remove it and run the "
                      "job again";
    if (text.compare(0, std::string(kHeader).size() + 1, std::string(kHeader) + "\n") != 0)
        return path + ": not a journal of tessera-mpi";
    if (text.compare(0, header.size(), header) != 0)
        return path + ": the journal belongs to another problem (other pieces, resume placement or region)";
    out.whole = header.size();
    out.seal = journal_seal(fingerprint);
    long number = 2;
    for (std::size_t at = header.size(); at < text.size();) {
        ++number;
        const std::size_t newline = text.find('\n', at);
        std::string content;
        const bool whole = newline != std::string::npos && unsealed(text.substr(at, newline - at), out.seal, content);
        // The last record, cut by a kill while it was written, never happened.
        if (!whole && (newline == std::string::npos || newline + 1 == text.size())) break;
        if (!whole || !apply_record(content, out)) return format("%s:%ld: the journal is damaged", path.c_str(), number);
        out.seal = text.substr(newline - kSealDigits, kSealDigits);
        at = newline + 1;
        out.whole = at;
    }
    return {};
}

JournalFile::~JournalFile() {
    if (fd_ >= 0) ::close(fd_);
}

int JournalFile::create(const std::string& path, std::uint64_t fingerprint) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd_ < 0) return errno;
    seal_ = journal_seal(fingerprint);
    return write_all(fd_, journal_header(fingerprint));
}

int JournalFile::reopen(const std::string& path, const JournalState& state) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return errno;
    seal_ = state.seal;
    if (::ftruncate(fd_, static_cast<off_t>(state.whole)) != 0 || ::lseek(fd_, 0, SEEK_END) < 0) return errno;
    return 0;
}

int JournalFile::append(const std::string& content) {
    return fd_ < 0 ? EBADF : write_all(fd_, sealed_record(seal_, content));
}

}  // namespace tessera::work
