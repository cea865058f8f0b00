// A shot or a sword. A chara it aims at or that fired it keeps a link to
// it, so the chara's end clears these pointers.
#pragma once
#include <cstdint>

#include "objects/game_obj.h"

class cChara;

class cShot : public cGameObj {
public:
    cChara* m_pTarget = nullptr;  // the chara it homes at
    cChara* m_pOwner = nullptr;   // the shooter
    int8_t m_cLayer = 0;          // drawing layer 0..7

    // Draws one frame; shots arrive with the shot commands.
    void Draw(int /*frozen*/) {}
};
