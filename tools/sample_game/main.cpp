// Writes the bundled sample game into a folder.
// Usage: make_sample_game folder
#include <cstdio>
#include <string>

#include "frontend/program_objects.h"
#include "tools/sample_game/sample_game.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_game folder\n");
        return 2;
    }
    BuildProgramObjects();
    std::string error;
    const bool written = sample::WriteGame(argv[1], &error);
    ReleaseProgramObjects();
    if (!written) {
        std::fprintf(stderr, "make_sample_game: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
