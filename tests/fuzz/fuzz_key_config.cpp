// Arbitrary bytes as "user_data\KeyConfig.dat": the load must take exactly
// the bytes the file has (up to the block's 108) over the defaults, and a
// poll through whatever block results must stay inside the block and give
// words of the right width.
#include <cstdint>
#include <cstring>

#include "app/input_state.h"
#include "fuzz_support.h"
#include "platform/input.h"
#include "platform/testing.h"

namespace {

using orvfuzz::Check;

void CheckWords(const cInputState& s) {
    Check((s.m_sDir & ~0xF) == 0);
    Check((s.m_sButton & ~0xFF) == 0);
    Check(s.m_nNumpad >= 1 && s.m_nNumpad <= 9);
}

bool Setup() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    // A few devices and keys, so every kind of entry has something to find.
    plat::testing::SetJoystick(0, plat::JoyReading{0, 65535, 0x0000FF0Fu});
    plat::testing::SetJoystick(2, plat::JoyReading{65535, 0, 0x80000100u});
    plat::SetKeyDown(plat::kVkLeft, true);
    plat::SetKeyDown('X', true);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Setup();
    (void)ready;
    orvfuzz::ServeInput("user_data\\KeyConfig.dat", data, size);
    cKeyConfig block{};
    DefaultKeyConfig(block);
    Check(LoadKeyConfig("user_data\\KeyConfig.dat", block) == 1);

    // Little-endian fields: the block's bytes are the file's, then the defaults'.
    cKeyConfig defaults{};
    DefaultKeyConfig(defaults);
    unsigned char expected[kKeyConfigBytes], got[kKeyConfigBytes];
    std::memcpy(expected, &defaults, sizeof expected);
    std::memcpy(got, &block, sizeof got);
    const size_t n = size < sizeof expected ? size : sizeof expected;
    if (n) std::memcpy(expected, data, n);
    Check(std::memcmp(expected, got, sizeof got) == 0);  // the fuzzing hosts are little-endian

    cInputState s;
    s.Poll(0, 3, 60, block);
    CheckWords(s);
    block.m_nUseMapping = 1;
    for (int i = 0; i < 3; ++i) {
        Check(s.PollKeyConfig(1, 1, block) == 1);
        CheckWords(s);
    }
    return 0;
}
