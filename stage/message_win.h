// A message window of a stage: a text shown on the stage screen for a
// time, until the stage ends or while a message holds the game; also the
// invisible timer of a game wait and the rising icons of a taken item and
// of an extra life. The text is drawn once into a surface of the window's
// own (an entry of Off_Msg) and blitted every frame.
#pragma once
#include <cstdint>
#include <string>

struct DDSURFACEDATA;
struct DDSURFACEDEF;

// Everything a window is set up from, in the order the callers hand it.
struct MessageParams {
    int type = 0;  // 0 timer, 1 text window, 2 item icon, 3 extra-life icon
    std::string text;
    int iconKind = 0, iconNo = 0, iconExtra = 0;
    int posKind = 0;  // 0..10: screen centre, on a chara or the hero, a point
    int unit = 0;     // kinds 7..10: 0 blocks, 1 dots
    int x = 0, y = 0;
    int offsetX = 0, offsetY = 0;
    int keepOnScreen = 0;
    int fixed = 0;
    int displayMode = 0;  // 0 until the advance key, 1 until the stage ends, 2 timed
    int time = 0;         // frames
    int holdGame = 0;
    int ownerId = 0;  // the chara or hero followed by kinds 1..6
    int chained = 0;
    int expandVars = 0;
    int refresh = 0;
    int refreshFrames = 0;
    int frame = 0;
    int hasId = 0;
    int msgId = 0;
};

class cMessageWin {
public:
    explicit cMessageWin(const MessageParams& params);
    cMessageWin(const cMessageWin&) = delete;
    cMessageWin& operator=(const cMessageWin&) = delete;

    // An open window takes new values in place, keeping its surface (the
    // new text measures the same size).
    void Reset(const MessageParams& params);
    // Draws and advances one frame onto target (the back buffer); 1 when
    // the window has ended (its surface is then released).
    int Update(DDSURFACEDATA* target, int frozen);
    // Takes the window's surface out of the message surface lists and frees
    // it. Safe to call again, and after the stage set-up has emptied the
    // lists: a surface the window no longer owns is left alone.
    void ReleaseSurface();

    DDSURFACEDATA* m_pSurface = nullptr;
    DDSURFACEDEF* m_pSurfaceDef = nullptr;
    int32_t m_nType = 0;
    std::string m_strText;
    std::string m_strSource;
    int32_t m_nIconKind = 0, m_nIconNo = 0, m_nIconExtra = 0;
    int32_t m_bExpandVars = 0;
    int32_t m_bRefresh = 0;
    int32_t m_nRefreshFrames = 0;
    int32_t m_bFrame = 0;
    int32_t m_nPosKind = 0;
    int32_t m_nUnit = 0;
    int32_t m_nX = 0, m_nY = 0;
    int32_t m_nOffsetX = 0, m_nOffsetY = 0;
    int32_t m_nWidth = 0, m_nHeight = 0;
    int32_t m_bKeepOnScreen = 0;
    int32_t m_nDisplayMode = 0;
    int32_t m_bFixed = 0;
    int32_t m_bPinned = 0;
    int32_t m_nPinX = 0, m_nPinY = 0;
    int32_t m_bHasId = 0, m_nMsgId = 0;
    int32_t m_nOwnerId = 0;
    int32_t m_nTime = 0;
    int32_t m_bHoldGame = 0;
    int32_t m_bOpening = 0;
    double m_dOpenFrames = 0;

private:
    void Setup(const MessageParams& params, int reuse);
    // Both false when the surface could not be made; the window then has none.
    bool AddSurface();
    bool AllocSurface(unsigned index);
    void Render(DDSURFACEDATA* surface);
    // The surface is still the one this window made, in the lists.
    bool OwnsSurface() const;
    // The point of this frame before pinning; false when the followed chara
    // is gone.
    bool PlaceOnScreen(int& x, int& y) const;
    // The window's end: its surface released, the answer of Update.
    int End();

    // Written into the surface's name when it is made: list nodes freed by
    // the stage set-up may come back at the same address for another window.
    uint32_t m_nSurfaceTag = 0;
};

// A rising icon above the hero `ownerId` where it stands, for 30 frames:
// type 2 a taken item's, type 3 an extra life's.
MessageParams RisingIconParams(int type, int ownerId, int holdGame);

// Replaces the variable escapes of a message text in place.
void ExpandMessageVars(std::string& text);
// The size a message text needs, border included.
void MeasureMessageText(int& width, int& height, const char* text);
