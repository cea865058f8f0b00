#include "frontend/menu.h"

#include "app/input_state.h"
#include "audio/sound_slots.h"
#include "core/text.h"
#include "gfx/font.h"

PROGRAM_OBJECT_DEFINE(g_CursorStack, cCursorStack);

namespace {

int WidestText(const cVector<cCmd>& commands) {
    int widest = 0;
    for (const cCmd& cmd : commands) {
        if (cmd.m_nEnabled == 0) continue;
        const int n = CountChars(cmd.m_strText.c_str());
        if (n > widest) widest = n;
    }
    return widest;
}

}  // namespace

int GetCmdCount(const cVector<cCmd>& commands) {
    int n = 0;
    for (const cCmd& cmd : commands) n += cmd.m_nEnabled != 0;
    return n;
}

unsigned GetCmdNum(int n, const cVector<cCmd>& commands) {
    int seen = 0;
    for (size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].m_nEnabled == 0) continue;
        if (seen == n) return static_cast<unsigned>(i);
        ++seen;
    }
    return 0;
}

void DrawCmdWindow(DDSURFACEDATA* surface, int x, int y, const cVector<cCmd>& commands) {
    const int widest = WidestText(commands);
    if (widest == 0) return;
    Font16.DrawWindow(surface, x, y, (widest + 1) * 16, GetCmdCount(commands) * 16);
    int row = 0;
    for (const cCmd& cmd : commands) {
        if (cmd.m_nEnabled == 0) continue;
        Font16.Printf(surface, x + 16, y + 16 * row, "%s", cmd.m_strText.c_str());
        ++row;
    }
}

int CenterCmdWindowX(int x, const cVector<cCmd>& commands) {
    const int widest = WidestText(commands);
    return widest == 0 ? x : x - ((widest + 1) * 16) / 2;
}

void cCursorStack::Reset() {
    m_vData.assign(1, CURSORDATA());
}

void cCursorStack::Push(int mode) {
    m_vData.push_back(CURSORDATA());
    if (mode == 1 && m_vData.size() >= 2) m_vData.back() = m_vData[m_vData.size() - 2];
}

void cCursorStack::Pop(int mode) {
    if (m_vData.size() < 2) return;
    const CURSORDATA removed = m_vData.back();
    m_vData.pop_back();
    if (mode == 0)
        m_vData.back() = CURSORDATA();
    else if (mode == 2)
        m_vData.back() = removed;
}

void cCursorStack::MoveGrid(const cInputState& input, int x0, int y0, int dx, int dy, int columns, int rows) {
    if (columns < 0 || rows < 0) return;
    CURSORDATA& c = Current();
    if (input.m_sDir & kDirLeft)
        --c.column;
    else if (input.m_sDir & kDirRight)
        ++c.column;
    if (input.m_sDir & kDirUp)
        --c.row;
    else if (input.m_sDir & kDirDown)
        ++c.row;
    if (c.row < 0) c.row = rows - 1;
    if (c.row >= rows) c.row = 0;
    if (c.column < 0) c.column = columns - 1;
    if (c.column >= columns) c.column = 0;
    c.x = x0 + dx * c.column;
    c.y = y0 + dy * c.row;
}

void PlayCursorSound(const cInputState& input, int axes, int slot) {
    if ((axes & 1) && (input.m_sDir & (kDirLeft | kDirRight))) DS_PlaySound(&g_SoundSlots.At(slot), 0);
    if ((axes & 2) && (input.m_sDir & (kDirUp | kDirDown))) DS_PlaySound(&g_SoundSlots.At(slot), 0);
}
