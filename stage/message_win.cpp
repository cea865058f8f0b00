#include "stage/message_win.h"

cMessageWin::cMessageWin(const MessageParams& params) { Setup(params, 0); }
void cMessageWin::Reset(const MessageParams& params) { Setup(params, 1); }
void cMessageWin::Setup(const MessageParams& params, int) {
    m_nType = params.type;
    m_strText = m_strSource = params.text;
}
int cMessageWin::Update(int) { return 1; }
void cMessageWin::ReleaseSurface() {}
void ExpandMessageVars(std::string&) {}
void MeasureMessageText(int& width, int& height, const char*) { width = height = 0; }
