// The variable escapes of message texts on arbitrary bytes, as a stage's
// message commands hold them: every escape is replaced by a bounded number
// of characters or left as written, and a double-byte character is never
// cut.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "frontend/play_data.h"
#include "stage/message_win.h"

using orvfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    // Values of every size, negative and the extremes among them.
    cVector<int32_t>& vars = g_PlayData.m_vVar;
    for (int i = 0; i < vars.Size(); ++i) vars.At(i) = static_cast<int32_t>(static_cast<uint32_t>(i) * 2654435761u);
    vars.At(1) = INT32_MIN;
    vars.At(2) = INT32_MAX;
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string before = text;
    ExpandMessageVars(text);
    // An escape of at least two bytes becomes a sign and at most ten digits,
    // widened to at most nine places.
    Check(text.size() <= before.size() * 6 + 16);
    std::string again = before;
    ExpandMessageVars(again);
    Check(again == text);
    return 0;
}
