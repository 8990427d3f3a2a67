// The reader of a unit's result on any bytes: a result it takes names only files beside it, and
// written again it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "work/split.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    const std::string text(reinterpret_cast<const char*>(data), size);
    work::UnitRecord r;
    if (!work::read_result(text, r).empty()) return 0;
    for (const auto& [name, hash] : r.files)
        if (name.empty() || name.find('/') != std::string::npos || name[0] == '.')
            fuzz::fail("a result names a file that is not beside it: '%s'", name.c_str());
    work::UnitRecord back;
    if (const std::string fault = work::read_result(work::result_text(r), back); !fault.empty())
        fuzz::fail("a result written again does not read: %s", fault.c_str());
    if (!(back.solutions == r.solutions) || back.files != r.files || back.unit != r.unit || back.end != r.end ||
        back.nodes != r.nodes || back.manifest_sha256 != r.manifest_sha256)
        fuzz::fail("a result written again reads back otherwise");
    return 0;
}
