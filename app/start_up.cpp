#include "app/start_up.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace tessera {

bool enter_work_dir(const std::string& dir) {
    if (dir.empty() || ::chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "cannot use '%s' as the working directory (%s)\n", dir.c_str(), std::strerror(errno));
    return false;
}

std::unique_ptr<Solver> start_up(ControlPanel& panel, const std::string& work_dir, const std::string& pieces) {
    if (!enter_work_dir(work_dir)) return nullptr;
    auto solver = std::make_unique<Solver>(panel);
    solver->set_pieces_path(pieces);
    solver->FormCreate();
    if (solver->pieces_status() != 0) return nullptr;
    return solver;
}

bool read_placements(const std::string& path, PlacementList& list) {
    const std::string fault = read_placement_file(path.c_str(), list);
    if (!fault.empty()) std::fprintf(stderr, "%s\n", fault.c_str());
    return fault.empty();
}

}  // namespace tessera
