#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "app/search_params.h"

namespace tessera::test {

ScratchDir::ScratchDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "tessera-test-XXXXXX").string();
    if (!::mkdtemp(templ.data())) std::abort();
    path_ = templ;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool file_exists(const std::filesystem::path& path) { return std::filesystem::exists(path); }

Outcome run_command(const std::string& command) {
    const int raw = std::system((command + " >out.txt 2>err.txt").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file("out.txt"), read_file("err.txt")};
}

Outcome run_tessera(const std::string& args) { return run_command(std::string(TESSERA_BIN) + " " + args); }

std::filesystem::path shipped_data() { return TESSERA_DATA_DIR; }

std::string piece_file(const std::vector<Cell>& cells) {
    std::string text;
    for (const Cell& c : cells)
        text += std::to_string(c.piece) + " " + std::to_string(c.row) + " " + std::to_string(c.col) + " " +
                std::to_string(c.code) + "\n";
    return text;
}

std::string random_pieces(unsigned seed) {
    std::mt19937 rng(seed);
    std::string text;
    for (int p = 1; p <= 60; ++p)
        for (int i = 0; i < 4; ++i)
            text += std::to_string(p) + " " + std::to_string(1 + rng() % 2) + " " + std::to_string(1 + rng() % 4) +
                    " 100\n";
    return text;
}

void SolverTest::start_up(const std::string& pieces_text) {
    write_file("zdroj.txt", pieces_text);
    solver->FormCreate();
}

void SolverTest::set_params(const SearchParams& p) {
    panel.set_checked(p.use_limits != 0);
    for (const ParamSpec& entry : kParamTable) panel.set_text(entry.control, std::to_string(p.*entry.field));
    s().params = p;
}

std::vector<std::string> cell_tokens(const PieceRecord& record) {
    std::vector<std::string> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (record.cells[r][c] != 0)
                out.push_back(std::to_string(r) + "," + std::to_string(c) + "=" + std::to_string(record.cells[r][c]));
    return out;
}

std::vector<std::pair<int, int>> occupied(const PieceRecord& record) {
    std::vector<std::pair<int, int>> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (record.cells[r][c] != 0) out.emplace_back(r, c);
    return out;
}

}  // namespace tessera::test
