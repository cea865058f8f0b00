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

}  // namespace orvtest
