// Arbitrary bytes as the input script: reading it must end, skip what it
// cannot use, and the frames that follow may only press keys of the table
// and post key-down and close messages. No frame is ever presented here, so
// no picture is written; hashes go to a scratch file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/testing.h"

namespace {

using orvfuzz::Check;

const char kScript[] = "script.txt";

plat::WindowHandle Setup() {
    const std::string& folder = orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    setenv("ORV_INPUT_SCRIPT", kScript, 1);
    setenv("ORV_FRAME_HASHES", (folder + "/hashes.txt").c_str(), 1);
    plat::WindowHandle window = plat::CreateMessageWindow();
    plat::SetKeyMessageWindow(window);
    return window;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const plat::WindowHandle window = Setup();
    orvfuzz::ServeInput(kScript, data, size);
    plat::ClearKeys();
    plat::testing::ClearInputScript();
    for (int frame = 0; frame < 16; ++frame) plat::BeginInputFrame();

    plat::Message m;
    size_t posted = 0;
    while (plat::PeekWindowMessage(window, m)) {
        ++posted;
        Check(m.id == plat::kWmClose || (m.id == plat::kWmKeyDown && m.wParam <= 255));
    }
    Check(posted <= size / 6 + 1);  // "0 close" is the shortest line that posts
    return 0;
}
