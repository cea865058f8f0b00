// A shot or a sword. A chara it aims at or that fired it keeps a link to
// it, so the chara's end clears these pointers.
#pragma once
#include <cstdint>
#include <list>

#include "objects/game_obj.h"
#include "project/move_shot.h"

class cChara;

class cShot : public cGameObj {
public:
    cChara* m_pTarget = nullptr;  // the chara it homes at
    cChara* m_pOwner = nullptr;   // the shooter
    int32_t m_nShooterId = 0;
    int8_t m_cLayer = 0;          // drawing layer 0..7
    int32_t m_bIsShot = 1;        // a shot; 0 a sword
    HITBOX m_Box;                 // against charas
    // Object ids of the charas it has hit: never the same chara twice.
    std::list<int32_t> m_HitList;
    cEdShot m_Param;              // its own copy of the command's parameters
    int32_t m_bRemove = 0;        // used up by a hit, removed after the hits
    int32_t m_bReportHits = 0;    // hits start the owner's attack-hit flows
    int8_t m_cReportGroup = 0;    // flow group of those starts

    // Draws one frame; shots arrive with the shot commands.
    void Draw(int /*frozen*/) {}
    // One sub-step of the shot's own movement: 1 when it ends.
    int Move();
    void MoveX();
    void MoveY();
};

// Takes the shot out of its faction group and the list; the next node.
std::list<cShot>::iterator RemoveShot(std::list<cShot>& shots, std::list<cShot>::iterator node);
