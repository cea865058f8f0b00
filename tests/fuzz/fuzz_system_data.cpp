// Project settings files on arbitrary bytes: the load with its lists,
// upgrades and checks, then a write of whatever was accepted and a read of
// that again, which must succeed. Any outcome of the first read but a crash,
// a hang or undefined behaviour is fine.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/dialogs.h"
#include "project/system_data.h"

namespace {

using orvfuzz::Check;

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    plat::SetDialogBackend(plat::DialogBackend::Scripted);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    (void)ready;
    orvfuzz::ServeInput("in.dat", data, size);

    cSystemData settings;
    if (settings.LoadFile("in.dat") != 1) return 0;
    settings.CountModeFlags(0);
    settings.IsWarningLevel(2, 10, 0);
    Check(settings.SaveFile("out.dat") == 1);
    cSystemData again;
    Check(again.LoadFile("out.dat") == 1);
    Check(again.m_vText.Size() == settings.m_vText.Size());
    Check(again.m_vIniKey.Size() == settings.m_vIniKey.Size());
    return 0;
}
