// Programs without a main of their own (fuzz targets, benchmarks) build the
// program-wide objects before anything runs. Their storage is constant-
// initialised, so this may run at any point of static initialisation.
#include "frontend/program_objects.h"

namespace {

const struct Builder {
    Builder() { BuildProgramObjects(); }
} g_builder;

}  // namespace
