// Runs a fuzz target without libFuzzer: over every seed file in the folder
// given, then over a fixed number of inputs made from the seeds by a fixed
// pseudo-random mutation, so the ordinary suite catches regressions.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::string> seeds;
    if (argc > 1 && std::filesystem::is_directory(argv[1])) {
        // In name order, so the generated inputs are the same on every file system.
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[1])) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    for (const auto& s : seeds) LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());

    uint32_t state = 12345;
    auto next = [&state] { state = state * 1103515245u + 12345u; return state >> 8; };
    const int rounds = 3000;
    for (int i = 0; i < rounds; ++i) {
        std::string input = seeds[next() % seeds.size()];
        int edits = 1 + static_cast<int>(next() % 8);
        for (int e = 0; e < edits; ++e) {
            uint32_t what = next() % 4;
            size_t pos = input.empty() ? 0 : next() % (input.size() + 1);
            if (what == 0 || input.empty()) input.insert(input.begin() + static_cast<long>(pos), static_cast<char>(next()));
            else if (what == 1 && pos < input.size()) input[pos] = static_cast<char>(next());
            else if (what == 2 && pos < input.size()) input.erase(pos, 1 + next() % 4);
            else input += input.substr(0, next() % (input.size() + 1));
            if (input.size() > 4096) input.resize(4096);
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%zu seeds, %d generated inputs: no fault\n", seeds.size(), rounds);
    return 0;
}
