// A message window of a stage. It arrives with the message commands; until
// then the scene's list stays empty.
#pragma once

class cMessageWin {
public:
    // Draws and advances one frame; 1 when the window has closed.
    int Update(int /*frozen*/) { return 1; }
};
