// Menus: lists of commands of which the enabled ones are shown, a cursor
// that the directions move, and the window drawn around the entries. One
// cursor stack serves every menu; a sub-menu pushes a cursor and pops it
// when it returns.
#pragma once
#include "core/containers.h"
#include "core/program_object.h"
#include "gfx/dd.h"
#include "project/system_data.h"

class cInputState;

// Button bits of the input word.
constexpr int kButtonDecide = 1;
constexpr int kButtonCancel = 2;

int GetCmdCount(const cVector<cCmd>& commands);
// The vector index of the n-th enabled entry; 0 when there is none.
unsigned GetCmdNum(int n, const cVector<cCmd>& commands);
// The framed window of the enabled entries at (x, y); nothing when they
// have no text.
void DrawCmdWindow(DDSURFACEDATA* surface, int x, int y, const cVector<cCmd>& commands);
// The left edge that centres that window on x.
int CenterCmdWindowX(int x, const cVector<cCmd>& commands);

struct CURSORDATA {
    int column = 0, row = 0, x = 0, y = 0;
};

class cCursorStack {
public:
    cCursorStack() { Reset(); }
    // One zeroed cursor.
    void Reset();
    // A new cursor; mode 1 starts it where the one below is.
    void Push(int mode);
    // Back to the cursor below: mode 0 zeroes it, 1 keeps it, 2 takes the
    // removed one's values. Nothing with one cursor.
    void Pop(int mode);
    // Moves over a grid of columns x rows, wrapping at the edges.
    void MoveGrid(const cInputState& input, int x0, int y0, int dx, int dy, int columns, int rows);

    CURSORDATA& Current() { return m_vData.back(); }
    int Depth() const { return static_cast<int>(m_vData.size()); }

private:
    cVector<CURSORDATA> m_vData;
};

PROGRAM_OBJECT_DECLARE(g_CursorStack, cCursorStack);

// The cursor sound of sound slot `slot` when a direction of the asked
// axes (bit 1 left/right, bit 2 up/down) is held.
void PlayCursorSound(const cInputState& input, int axes, int slot);
