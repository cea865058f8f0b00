// Arbitrary bytes as "user_data\Option.dat", read by the options' own
// loader. Options that load are inside the ranges the options screen offers
// and save, load back and save to the same bytes; a file that does not load
// leaves the options exactly as they were.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "project/option.h"
#include "project/path_table.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

bool Same(const cOption& a, const cOption& b) {
    return a.m_nTone == b.m_nTone && a.m_nMusic == b.m_nMusic && a.m_nVolume == b.m_nVolume &&
           a.m_nRankEntry == b.m_nRankEntry && a.m_strName == b.m_strName;
}

bool InRange(const cOption& o) {
    return o.m_nTone >= 0 && o.m_nTone <= kOptionToneMax && o.m_nMusic >= 0 && o.m_nMusic <= kOptionMusicMax &&
           o.m_nVolume >= 0 && o.m_nVolume <= kOptionVolumeMax && o.m_nRankEntry >= 0 &&
           o.m_nRankEntry <= kOptionRankEntryMax;
}

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    g_StripCR = 1;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    const char* path = g_PathTable[kPathOption];
    orvfuzz::ServeInput(path, data, size);

    cOption option;
    option.m_nTone = 5;  // not the defaults, so a half-read file would show
    option.m_strName = "before";
    const cOption before = option;
    if (LoadOption(option, path) != 1) {
        Check(Same(option, before));
        return 0;
    }
    Check(InRange(option));
    Check(option.m_strName.find('\0') == std::string::npos);

    Check(SaveOption(option, "a.dat") == 1);
    cOption again;
    Check(LoadOption(again, "a.dat") == 1);
    Check(Same(again, option));
    Check(SaveOption(again, "b.dat") == 1);
    Check(FileBytes("a.dat") == FileBytes("b.dat"));
    return 0;
}
