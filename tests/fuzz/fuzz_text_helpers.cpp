// The text and path helpers on arbitrary bytes, as names and texts read
// from game files reach them: cutting, counting, folder and extension
// handling, numbered names and the absolute and relative forms.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "core/text.h"

using orvfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::EnterScratchFolder();
    if (size > 1024) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string cstr = text.substr(0, std::strlen(text.c_str()));
    int a = size > 0 ? static_cast<int8_t>(data[0]) : 0;
    int b = size > 1 ? static_cast<int8_t>(data[1]) : 0;

    std::string mid = StrMid(text, a, b);
    Check(mid.size() <= cstr.size());
    Check(CountChars(cstr.c_str()) <= static_cast<int>(cstr.size()));
    Check(SjisCutLength(cstr.c_str(), cstr.size(), 7) <= 7);

    std::string formatted;
    StrFormat(formatted, "%s|%s", cstr.c_str(), cstr.c_str());
    Check(formatted.size() < kFormatBufferSize);
    IntToStr(formatted, static_cast<int32_t>(static_cast<uint32_t>(a) * 2654435761u * static_cast<uint32_t>(b)), b, a & 1, a & 2);

    char buf[kMaxPath];
    char small[16];
    if (cstr.size() < kMaxPath) {
        std::memcpy(buf, cstr.c_str(), cstr.size() + 1);
        StripFolder(buf);
        Check(std::strlen(buf) <= cstr.size());
        std::memcpy(buf, cstr.c_str(), cstr.size() + 1);
        StripExt(buf);
        std::memcpy(buf, cstr.c_str(), cstr.size() + 1);
        MakeAbsolutePath(buf);
        MakeRelativePath(buf);
    }
    ReplaceExt(small, sizeof small, cstr.c_str(), "bmp");
    ReplaceExt(buf, sizeof buf, cstr.c_str(), nullptr);
    GetExt(small, sizeof small, cstr.c_str());
    MakeNumberedName(small, sizeof small, cstr.c_str(), a);
    MakeNumberedName(buf, sizeof buf, cstr.c_str(), b);

    std::string path = cstr;
    MakeAbsolutePath(path);
    MakeRelativePath(path);
    return 0;
}
