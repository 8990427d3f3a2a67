// The manifest reader on any bytes: a manifest it takes is written again (sealed) and read back
// to the same units and source.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "work/split.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    const std::string text(reinterpret_cast<const char*>(data), size);
    work::Manifest m;
    if (!work::read_manifest("manifest.txt", text, m).empty()) return 0;
    if (m.depths.size() != m.units || m.unit_sha256.size() != m.units) fuzz::fail("a manifest's units do not add up");
    // One of an earlier version names no unit hashes; written again it names empty ones.
    for (std::string& hash : m.unit_sha256)
        if (hash.empty()) hash = std::string(64, '0');
    work::Manifest back;
    if (const std::string fault = work::read_manifest("again", work::manifest_text(m), back); !fault.empty())
        fuzz::fail("a manifest written again does not read: %s", fault.c_str());
    if (back.units != m.units || back.depths != m.depths || back.unit_sha256 != m.unit_sha256 ||
        back.fingerprint != m.fingerprint || back.source.pieces != m.source.pieces ||
        back.source.pairs != m.source.pairs || back.count != m.count || back.max_solutions != m.max_solutions)
        fuzz::fail("a manifest written again reads back otherwise");
    return 0;
}
