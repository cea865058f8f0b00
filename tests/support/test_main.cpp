#include <gtest/gtest.h>

#include <cstdlib>

#ifdef ORV_TEST_PROGRAM_OBJECTS
#include "frontend/program_objects.h"
#endif

int main(int argc, char** argv) {
    // Tests never open a display or a sound device.
    setenv("ORV_HEADLESS", "1", 0);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
#ifdef ORV_TEST_PROGRAM_OBJECTS
    BuildProgramObjects();
    const int result = RUN_ALL_TESTS();
    ReleaseProgramObjects();
    return result;
#else
    return RUN_ALL_TESTS();
#endif
}
