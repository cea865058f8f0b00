// Blend-table files on arbitrary bytes: the input as the file, and the input
// repeated to a table's length, one byte short of it or one byte past it.
// Only a file of at least a whole table is taken, and then exactly its first
// table's worth; any other file leaves the table as it was.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gfx/dd_blend.h"

namespace {

using orvfuzz::Check;

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    return true;
}

const char kPath[] = "bmp\\hbt\\hbt07.dat";

void LoadAndCheck(const std::string& bytes) {
    plat::testing::SetMemoryFile(kPath, bytes);
    // Made once for the whole run, not for each input.
    static const std::vector<uint8_t> untouched(kBlendTableSize, 0xA5);
    static std::vector<uint8_t> table;
    table = untouched;
    const bool loaded = DDLoadBlendTable(table.data(), kPath);
    Check(loaded == (bytes.size() >= static_cast<size_t>(kBlendTableSize)));
    Check(std::memcmp(table.data(), loaded ? bytes.data() : reinterpret_cast<const char*>(untouched.data()),
                      table.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const std::string input(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(input);
    if (input.empty()) return 0;
    const size_t length = static_cast<size_t>(kBlendTableSize) - 1 + data[0] % 3;
    static std::string tiled;
    tiled = input;
    while (tiled.size() < length) tiled.append(tiled, 0, std::min(tiled.size(), length - tiled.size()));
    LoadAndCheck(tiled);
    return 0;
}
