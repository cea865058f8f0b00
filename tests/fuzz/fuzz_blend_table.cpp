// Blend-table files on arbitrary bytes: the input as the file, and the input
// repeated to a table's length, one byte short of it or one byte past it.
// Only a file of at least a whole table is taken, and then exactly its first
// table's worth; any other file leaves the table as it was.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gfx/dd_blend.h"

namespace {

using orvfuzz::Check;

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    std::filesystem::create_directories("bmp/hbt");
    return true;
}

void LoadAndCheck(const std::string& bytes) {
    std::ofstream("bmp/hbt/hbt07.dat", std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::vector<uint8_t> table(kBlendTableSize, 0xA5);
    const bool loaded = DDLoadBlendTable(table.data(), "bmp\\hbt\\hbt07.dat");
    Check(loaded == (bytes.size() >= static_cast<size_t>(kBlendTableSize)));
    if (loaded)
        Check(std::memcmp(table.data(), bytes.data(), table.size()) == 0);
    else
        Check(table == std::vector<uint8_t>(kBlendTableSize, 0xA5));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const std::string input(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(input);
    if (input.empty()) return 0;
    const size_t length = static_cast<size_t>(kBlendTableSize) - 1 + data[0] % 3;
    std::string tiled;
    tiled.reserve(length);
    while (tiled.size() < length) tiled += input.substr(0, length - tiled.size());
    LoadAndCheck(tiled);
    return 0;
}
