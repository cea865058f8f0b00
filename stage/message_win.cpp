#include "stage/message_win.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "core/numeric.h"
#include "core/shell_link.h"
#include "core/text.h"
#include "frontend/play_data.h"
#include "gfx/dd.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "objects/chip_src.h"
#include "stage/game_scene.h"

namespace {

// The screen below the 20-dot status bar.
constexpr int kScreenW = 640, kScreenH = 480, kStatusBarH = 20;
// The text shows once the opening frame has grown this many frames.
constexpr int kOpeningFrames = 10;
// Icons rise one dot every four frames of their 30.
constexpr int kIconFrames = 30;
// Variable numbers run 1 to 1000; reading more digits only keeps the
// number out of range.
constexpr int kMaxVarNo = 1000;

Font& MessageFont() { return g_Font[1]; }

double CameraX() { return g_pGameScene ? g_pGameScene->m_ScrollX.m_dPos : 0.0; }
double CameraY() { return g_pGameScene ? g_pGameScene->m_ScrollY.m_dPos : 0.0; }

// One variable escape read from its "#": where it ends (past a "." that
// closes it) and what it asks for.
struct VarEscape {
    size_t end = 0;
    int number = 0;
    bool hasNumber = false;
    bool common = false, stage = false;
    int width = 0;
    bool plus = false, zeros = false;
};

VarEscape ReadVarEscape(const std::string& text, size_t hash) {
    VarEscape e;
    bool format = false;
    size_t i = hash + 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (!format) {
            if (digit) {
                if (e.number <= kMaxVarNo) e.number = e.number * 10 + (c - '0');
                e.hasNumber = true;
            } else if (c == 'C' || c == 'c') {
                e.common = true;
            } else if (c == 'S' || c == 's') {
                e.stage = true;
            } else if (c == '_') {
                format = true;
            } else {
                break;
            }
        } else if (digit) {
            e.width = c - '0';
        } else if (c == 'P' || c == 'p') {
            e.plus = true;
        } else if (c == 'Z' || c == 'z') {
            e.zeros = true;
        } else {
            break;
        }
    }
    e.end = i < text.size() && text[i] == '.' ? i + 1 : i;
    return e;
}

// The variable an escape names; null when it names none.
const int32_t* EscapeVariable(const VarEscape& e) {
    if (!e.hasNumber || e.number < 1 || e.number > kMaxVarNo) return nullptr;
    const cVector<int32_t>* vars = nullptr;
    if (e.common)
        vars = &g_PlayData.m_vVar;
    else if (e.stage && g_pGameScene)
        vars = &g_pGameScene->m_vStageVars;
    if (!vars || e.number >= vars->Size()) return nullptr;
    return &vars->At(e.number);
}

}  // namespace

// ---------------------------------------------------------------------------
// Text

void ExpandMessageVars(std::string& text) {
    for (size_t i = 0; i < text.size();) {
        if (IsSjisDoubleByte(text.c_str() + i)) {
            i += 2;
            continue;
        }
        if (text[i] != '#') {
            ++i;
            continue;
        }
        const VarEscape e = ReadVarEscape(text, i);
        const int32_t* var = EscapeVariable(e);
        if (!var) {
            ++i;
            continue;
        }
        std::string value;
        IntToStr(value, *var, e.width, e.zeros, e.plus);
        text.replace(i, e.end - i, value);
        i += value.size();
    }
}

void MeasureMessageText(int& width, int& height, const char* text) {
    Font& font = MessageFont();
    const TextSize size = font.m_nPitch ? font.GetFixedTextSize(text) : font.GetTextSize(text);
    width = size.cx + 2;
    height = size.cy + 2;
}

// ---------------------------------------------------------------------------
// Set-up and surface

cMessageWin::cMessageWin(const MessageParams& params) { Setup(params, 0); }

void cMessageWin::Reset(const MessageParams& params) { Setup(params, 1); }

void cMessageWin::Setup(const MessageParams& params, int reuse) {
    m_nType = params.type;
    m_strSource = m_strText = params.text;
    m_nIconKind = params.iconKind;
    m_nIconNo = params.iconNo;
    m_nIconExtra = params.iconExtra;
    m_nPosKind = params.posKind;
    m_nUnit = params.unit;
    m_nX = params.x;
    m_nY = params.y;
    m_nOffsetX = params.offsetX;
    m_nOffsetY = params.offsetY;
    m_bKeepOnScreen = params.keepOnScreen;
    m_bFixed = params.fixed;
    m_nDisplayMode = params.displayMode;
    m_nTime = params.time;
    m_bHoldGame = params.holdGame;
    m_nOwnerId = params.ownerId;
    m_bExpandVars = params.expandVars;
    m_bRefresh = params.refresh;
    m_nRefreshFrames = params.refreshFrames;
    m_bFrame = params.frame;
    m_bHasId = params.hasId;
    m_nMsgId = params.msgId;
    m_bPinned = 0;

    if (m_bExpandVars) ExpandMessageVars(m_strText);
    if (m_nType == 1) {
        MeasureMessageText(m_nWidth, m_nHeight, m_strText.c_str());
    } else if (m_nType == 2 || m_nType == 3) {
        m_nWidth = m_nHeight = 16;
    }
    m_dOpenFrames = 0;
    m_bOpening = m_nDisplayMode == 0 && params.chained == 0 ? 1 : 0;

    if (m_nType != 1) {
        // A text window set up again as something else has no use for its
        // surface.
        ReleaseSurface();
        return;
    }
    // A reused window keeps its surface; one that has none (it could not be
    // made) tries again.
    if ((reuse && OwnsSurface()) || AddSurface()) Render(m_pSurface);
}

bool cMessageWin::AddSurface() { return AllocSurface(static_cast<unsigned>(Off_Msg.size())); }

bool cMessageWin::AllocSurface(unsigned index) {
    // The free video memory reads 0 here, so message surfaces never move to
    // system memory.
    const bool made = index >= Off_Msg.size()
                          ? DDPushSurfaceList(Off_Msg, g_OffMsgDef, m_nWidth, m_nHeight, 1, 0,
                                              DTMEMORYTYPE_VIDEO_RT, nullptr)
                          : DDInsertSurfaceList(Off_Msg, g_OffMsgDef, index, m_nWidth, m_nHeight, 1, 0,
                                                DTMEMORYTYPE_VIDEO_RT, nullptr);
    const size_t at = std::min<size_t>(index, Off_Msg.size() - 1);
    m_pSurface = &*std::next(Off_Msg.begin(), static_cast<ptrdiff_t>(at));
    m_pSurfaceDef = at < g_OffMsgDef.size() ? &*std::next(g_OffMsgDef.begin(), static_cast<ptrdiff_t>(at)) : nullptr;
    static std::atomic<uint32_t> s_nextTag = 0;
    do m_nSurfaceTag = ++s_nextTag;
    while (m_nSurfaceTag == 0);  // 0 stands for no surface
    std::snprintf(m_pSurface->szName, sizeof m_pSurface->szName, "message %u", m_nSurfaceTag);
    if (made) return true;
    // The lists keep an entry whose creation failed: it is taken out here,
    // and the window, left without a surface, ends at its next frame.
    ReleaseSurface();
    PostMainWindowClose();
    return false;
}

bool cMessageWin::OwnsSurface() const {
    if (!m_pSurface || m_nSurfaceTag == 0) return false;
    char tag[sizeof m_pSurface->szName];
    std::snprintf(tag, sizeof tag, "message %u", m_nSurfaceTag);
    for (const DDSURFACEDATA& sd : Off_Msg)
        if (&sd == m_pSurface) return std::strcmp(sd.szName, tag) == 0;
    return false;
}

void cMessageWin::ReleaseSurface() {
    if (OwnsSurface()) DDEraseSurfaceList(Off_Msg, g_OffMsgDef, m_pSurface);
    m_pSurface = nullptr;
    m_pSurfaceDef = nullptr;
    m_nSurfaceTag = 0;
}

void cMessageWin::Render(DDSURFACEDATA* surface) {
    if (!surface) return;
    // At 8 bits the blank surface already holds the transparent index.
    if (!(lpDDCon && g_nBpp == 8)) DDFillSurface(surface, 0);
    Font& font = MessageFont();
    if (m_bFrame)
        font.DrawTextWindow(surface, 1, 1, 0, 0, m_strText.c_str(), 0);
    else
        font.DrawString(surface, 1, 1, m_strText.c_str());
}

// ---------------------------------------------------------------------------
// Each frame

int cMessageWin::End() {
    ReleaseSurface();
    return 1;
}

bool cMessageWin::PlaceOnScreen(int& x, int& y) const {
    const int64_t w = m_nWidth, h = m_nHeight;
    const int64_t X = m_nX, Y = m_nY, oX = m_nOffsetX, oY = m_nOffsetY;
    const double camX = CameraX(), camY = CameraY();
    // Kinds outside the table show at the screen's centre; units other
    // than blocks count as dots.
    const int kind = m_nPosKind >= 0 && m_nPosKind <= 10 ? m_nPosKind : 0;
    const bool blocks = m_nUnit == 0;

    if (kind >= 1 && kind <= 6) {
        const cChara* o = FindCharaById(m_nOwnerId);
        if (!o) return false;
        const int64_t sx = int64_t{TruncateToInt(o->m_dX - TruncateToInt(camX))} + (o->m_nSpriteW >> 1) - (w >> 1) -
                           o->m_nOffsetX + oX;
        const int64_t sy0 = int64_t{TruncateToInt(o->m_dY - TruncateToInt(camY))} - o->m_nOffsetY;
        x = SaturateInt(sx);
        switch ((kind - 1) % 3) {
        case 0: y = SaturateInt(sy0 - h + oY); break;
        case 1: y = SaturateInt(sy0 + o->m_nSpriteH + oY + 1); break;
        default: y = SaturateInt(sy0 + (o->m_nSpriteH >> 1) - (h >> 1) + oY); break;
        }
        return true;
    }
    switch (kind) {
    case 7:
        x = SaturateInt(blocks ? 32 * X + oX : oX + X);
        y = SaturateInt(blocks ? 32 * Y + oY : oY + Y);
        break;
    case 8:
        x = SaturateInt(blocks ? 32 * X - (w >> 1) + oX + 16 : oX - (w >> 1) + X);
        y = SaturateInt(blocks ? 32 * Y - (h >> 1) + oY + 16 : oY - (h >> 1) + Y);
        break;
    case 9:
    case 10: {
        // The stage point in whole dots first, then the camera as a double.
        const int64_t mX = g_pGameScene ? g_pGameScene->m_ScrollX.m_nMargin : 0;
        const int64_t mY = g_pGameScene ? g_pGameScene->m_ScrollY.m_nMargin : 0;
        const int64_t cx = kind == 10 ? -(w >> 1) + (blocks ? 16 : 0) : 0;
        const int64_t cy = kind == 10 ? -(h >> 1) + (blocks ? 16 : 0) : 0;
        const int64_t px = (blocks ? 32 * (X + mX) : 32 * mX + X) + cx + oX;
        const int64_t py = (blocks ? 32 * (Y + mY) : 32 * mY + Y) + cy + oY;
        x = TruncateToInt(static_cast<double>(px) - camX);
        y = TruncateToInt(static_cast<double>(py) - camY);
        break;
    }
    default:
        x = SaturateInt(oX - (w >> 1) + kScreenW / 2);
        y = SaturateInt(oY - (h >> 1) + kScreenH / 2);
        break;
    }
    return true;
}

int cMessageWin::Update(DDSURFACEDATA* target, int frozen) {
    // A text window without its surface (never made, or taken by the stage
    // set-up) has nothing to show.
    if (m_nType == 1 && !OwnsSurface()) return End();

    if (m_nDisplayMode == 2 && (m_bHoldGame || !frozen)) {
        if (m_nTime <= 0) {
            m_nTime = -1;
            return End();
        }
        --m_nTime;
    }

    if (m_bRefresh && m_nRefreshFrames != 0 && g_pGameScene && m_nType == 1 && m_bExpandVars &&
        int64_t{g_pGameScene->m_nFrame} % m_nRefreshFrames == 0) {
        std::string text = m_strSource;
        ExpandMessageVars(text);
        if (text != m_strText) {
            m_strText = std::move(text);
            int w = 0, h = 0;
            MeasureMessageText(w, h, m_strText.c_str());
            if (w != m_nWidth || h != m_nHeight) {
                unsigned index = 0;
                for (auto it = Off_Msg.begin(); &*it != m_pSurface; ++it) ++index;
                m_nWidth = w;
                m_nHeight = h;
                ReleaseSurface();
                if (!AllocSurface(index)) return End();
            }
            Render(m_pSurface);
        }
    }

    const int kind = m_nPosKind >= 0 && m_nPosKind <= 10 ? m_nPosKind : 0;
    const bool screenKind = kind == 0 || kind == 7 || kind == 8;
    // An icon keeps the point it memorised when its hero goes; before that
    // it has none and ends, as a text window does.
    const bool keepsPin = m_bFixed && m_bPinned && !screenKind && m_nType != 1;
    int x = 0, y = 0;
    if (!keepsPin && !PlaceOnScreen(x, y) && m_nType != 0) return End();

    const double camX = CameraX(), camY = CameraY();
    if (screenKind && !m_bFixed) {
        if (!m_bPinned) {
            m_bPinned = 1;
            m_nPinX = TruncateToInt(camX + 0.5 + x);
            m_nPinY = TruncateToInt(camY + 0.5 + y);
        } else {
            x = TruncateToInt(m_nPinX - (camX - 0.5));
            y = TruncateToInt(m_nPinY - (camY - 0.5));
        }
    } else if (!screenKind && m_bFixed) {
        if (!m_bPinned) {
            m_bPinned = 1;
            m_nPinX = x;
            m_nPinY = y;
        } else {
            x = m_nPinX;
            y = m_nPinY;
        }
    }

    if (m_bKeepOnScreen) {
        // The test stops two dots short of the edge, the correction goes to
        // it; games are laid out against this placement.
        if (x < 0)
            x = 0;
        else if (int64_t{x} + m_nWidth > kScreenW - 2)
            x = kScreenW - m_nWidth;
        if (y < kStatusBarH)
            y = kStatusBarH;
        else if (int64_t{y} + m_nHeight > kScreenH - 2)
            y = kScreenH - m_nHeight;
    }

    const int rise = SaturateInt((kIconFrames - int64_t{m_nTime}) >> 2);
    switch (m_nType) {
    case 1: {
        if (m_pSurface->bLost) {
            Render(m_pSurface);
            m_pSurface->bLost = 0;
        }
        if (m_strText.empty()) break;
        if (m_bOpening) {
            const double f = ++m_dOpenFrames;
            if (f < kOpeningFrames) {
                if (m_bFrame) {
                    const double s = f * 0.1;
                    const int hw = m_nWidth >> 1, hh = m_nHeight >> 1;
                    MessageFont().DrawWindow(target, TruncateToInt(x + hw - s * hw), TruncateToInt(y + hh - s * hh),
                                             TruncateToInt(s * m_nWidth), TruncateToInt(s * m_nHeight));
                }
                break;
            }
        }
        DDBlt(target, x, y, m_nWidth, m_nHeight, m_pSurface, 0, 0, DDBLT_KEYED);
        break;
    }
    case 2:
        DrawChipIcon(target, x, SaturateInt(int64_t{y} - rise), m_nIconKind, m_nIconNo, m_nIconExtra);
        break;
    case 3:
        DDBlt(target, x, SaturateInt(int64_t{y} - rise), 16, 16, &g_SysBmp[kSysBmpAccessory], 0, 48, DDBLT_KEYED);
        break;
    default:
        break;
    }
    return 0;
}

MessageParams RisingIconParams(int type, int ownerId, int holdGame) {
    MessageParams p;
    p.type = type;
    p.posKind = 4;  // above the hero
    p.fixed = 1;
    p.displayMode = 2;
    p.time = 30;
    p.holdGame = holdGame;
    p.ownerId = ownerId;
    return p;
}
