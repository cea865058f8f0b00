// The front end's lists of system texts: the column they centre on and the
// window that shows several of them as lines.
#pragma once

// x minus half the width of the widest of system texts first to
// first + count - 1, each 16 pixels a character (plus one character with pad).
int CenterTextX(int x, int first, int count, int pad);

// System texts start to start + count - 1, one a line (each after a blank
// with pad), in a window of Font16 at (x, y) on the back buffer sized to the
// longest line by count lines. Nothing when count is 0 or less.
void DrawTextList(int x, int y, int start, int count, int pad);
