// Program paths and text conversion on arbitrary bytes: splitting, the
// absolute test, both conversions, and the host path of the input taken as
// a relative path inside a small tree made once in a fresh temp folder.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

namespace {

namespace fs = std::filesystem;

using orvfuzz::Check;

// Mixed-case and Japanese names, so the case-blind lookup has work to do.
bool MakeTree() {
    const std::string& root = orvfuzz::EnterScratchFolder();
    fs::create_directories(root + "/Data/Stg4");
    fs::create_directories(root + "/" + reinterpret_cast<const char*>(u8"ソフト"));
    std::ofstream(root + "/Data/Stg4/A.stg4_001") << "x";
    return true;
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = MakeTree();
    (void)ready;
    if (size > 1024) size = 1024;  // long inputs find nothing new here
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    // Parts are never empty, never hold a separator outside a double-byte
    // character, and never add bytes.
    size_t total = 0;
    for (const std::string& part : plat::SplitProgramPath(in)) {
        Check(!part.empty());
        total += part.size();
        for (size_t i = 0; i < part.size(); ++i) {
            auto b = static_cast<uint8_t>(part[i]);
            if (plat::IsSjisLeadByte(b) && i + 1 < part.size() && plat::IsSjisTrailByte(static_cast<uint8_t>(part[i + 1])))
                ++i;
            else
                Check(!IsSep(part[i]));
        }
    }
    Check(total <= size);
    if (!in.empty() && IsSep(in[0])) Check(plat::IsAbsoluteProgramPath(in));

    // Text that converted once converts back and forth the same way after.
    bool ok = false;
    const std::string utf8 = plat::SjisToUtf8(in, &ok);
    if (ok) {
        bool back = false;
        const std::string sjis = plat::Utf8ToSjis(utf8, &back);
        Check(back);
        Check(plat::SjisToUtf8(sjis) == utf8);
    }
    const std::string fromUtf8 = plat::Utf8ToSjis(in, &ok);
    Check(fromUtf8.size() <= size);

    // Taken as relative, the host path stays relative.
    std::string_view relative = in;
    while (!relative.empty() && IsSep(relative.front())) relative.remove_prefix(1);
    const std::string host = plat::ToHostPath(relative);
    Check(host.empty() || host[0] != '/');
    plat::PathExists(relative);
    plat::IsFolder(relative);
    plat::FromHostPath(host);
    return 0;
}
