// What the game side asks of the window: a window procedure for the test
// window that records every message sent to it.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/messages.h"

namespace orvtest {

inline std::vector<plat::Message> g_Sent;

inline intptr_t RecordSent(plat::WindowHandle, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    g_Sent.push_back({id, wParam, lParam});
    return 0;
}

// The wParam of every recorded message `id`, in the order sent.
inline std::vector<uintptr_t> SentParams(uint32_t id) {
    std::vector<uintptr_t> params;
    for (const plat::Message& m : g_Sent)
        if (m.id == id) params.push_back(m.wParam);
    return params;
}

// How many recorded messages `id` carried wParam `param`.
inline int SentCount(uint32_t id, uintptr_t param) {
    int count = 0;
    for (const plat::Message& m : g_Sent) count += m.id == id && m.wParam == param;
    return count;
}

}  // namespace orvtest
