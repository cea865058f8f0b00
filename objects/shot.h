// A shot or a sword. A chara it aims at or that fired it keeps a link to
// it, so the chara's end clears these pointers.
#pragma once
#include <cstdint>
#include <list>

#include "objects/game_obj.h"

class cChara;

class cShot : public cGameObj {
public:
    cChara* m_pTarget = nullptr;  // the chara it homes at
    cChara* m_pOwner = nullptr;   // the shooter
    int8_t m_cLayer = 0;          // drawing layer 0..7
    int32_t m_bIsShot = 1;        // a shot; 0 a sword

    // Draws one frame; shots arrive with the shot commands.
    void Draw(int /*frozen*/) {}
    // One sub-step of the shot's own movement: 1 when it ends.
    int Move();
    void MoveX();
    void MoveY();
};

// Takes the shot out of its faction group and the list; the next node.
std::list<cShot>::iterator RemoveShot(std::list<cShot>& shots, std::list<cShot>::iterator node);
