#include "solve/source.h"

#include <filesystem>

#include "app/text.h"
#include "solve/sha256.h"

namespace tessera::solve {

namespace fs = std::filesystem;

namespace {

std::string absolute(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

bool read_hash_line(const std::string& line, const char* word, std::string& hash, std::string& path) {
    std::string rest;
    return take(line, word, rest) && take_hash_and_name(rest, hash, path);
}

}  // namespace

std::string describe_source(const std::string& pieces, const std::string& resume, bool limits,
                            std::vector<std::string> pairs, const Region& region, ProblemSource& out) {
    out = ProblemSource{};
    out.pieces = absolute(pieces);
    if (!sha256_of_file(out.pieces, out.pieces_sha256)) return pieces;
    if (!resume.empty()) {
        out.resume = absolute(resume);
        if (!sha256_of_file(out.resume, out.resume_sha256)) return resume;
    }
    out.limits = limits;
    out.pairs = std::move(pairs);
    out.x1 = region.x1, out.y1 = region.y1, out.x2 = region.x2, out.y2 = region.y2;
    return {};
}

std::string source_text(const ProblemSource& s) {
    std::string t = "pieces " + s.pieces_sha256 + " " + s.pieces + "\n";
    if (!s.resume.empty()) t += "resume " + s.resume_sha256 + " " + s.resume + "\n";
    t += format("limits %s\n", s.limits ? "yes" : "no");
    for (const std::string& pair : s.pairs) t += "pair " + pair + "\n";
    t += format("region %d %d %d %d\n", s.x1, s.y1, s.x2, s.y2);
    return t;
}

std::string read_source(Lines& lines, std::string& line, ProblemSource& out) {
    out = ProblemSource{};
    if (!read_hash_line(line, "pieces", out.pieces_sha256, out.pieces)) return "the pieces line is damaged";
    bool more = lines.next(line);
    std::string rest;
    if (more && take(line, "resume", rest)) {
        if (!take_hash_and_name(rest, out.resume_sha256, out.resume)) return "the resume line is damaged";
        more = lines.next(line);
    }
    if (!more || !take(line, "limits", rest) || (rest != "yes" && rest != "no")) return "the limits line is damaged";
    out.limits = rest == "yes";
    while ((more = lines.next(line)) && take(line, "pair", rest)) out.pairs.push_back(rest);
    std::string word, tail;
    std::istringstream fields(line);
    if (!more || !(fields >> word >> out.x1 >> out.y1 >> out.x2 >> out.y2) || word != "region" || fields >> tail)
        return "the region line is damaged";
    lines.next(line);
    return {};
}

std::string source_difference(const ProblemSource& written, const ProblemSource& now) {
    const auto file = [](const char* what, const std::string& was, const std::string& was_hash, const std::string& is,
                         const std::string& is_hash) -> std::string {
        if (was_hash == is_hash) return {};
        if (was.empty() || is.empty())
            return format("the %s (%s here, %s in the file)", what, is.empty() ? "none" : is.c_str(),
                          was.empty() ? "none" : was.c_str());
        return format("the %s (%s here, %s in the file%s)", what, is.c_str(), was.c_str(),
                      was == is ? ", since changed" : "");
    };
    if (std::string d = file("piece file", written.pieces, written.pieces_sha256, now.pieces, now.pieces_sha256);
        !d.empty())
        return d;
    if (std::string d = file("resume placement", written.resume, written.resume_sha256, now.resume, now.resume_sha256);
        !d.empty())
        return d;
    if (written.limits != now.limits || written.x1 != now.x1 || written.y1 != now.y1 || written.x2 != now.x2 ||
        written.y2 != now.y2)
        return format("the region (--limits %s here, %s in the file, or other corners or margins)",
                      now.limits ? "on" : "off", written.limits ? "on" : "off");
    return {};
}

std::string source_files_changed(const ProblemSource& s) {
    for (const auto& [what, file, hash] : {std::tuple{"piece file", s.pieces, s.pieces_sha256},
                                           std::tuple{"resume placement", s.resume, s.resume_sha256}}) {
        std::string now;
        if (file.empty() || (sha256_of_file(file, now) && now == hash)) continue;
        return format("the %s '%s' %s", what, file.c_str(),
                      now.empty() ? "cannot be read" : "has changed (its SHA-256 differs)");
    }
    return {};
}

}  // namespace tessera::solve
