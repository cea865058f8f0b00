// Shots and swords in play.
#include "objects/shot.h"

#include <algorithm>

#include "objects/chara.h"
#include "stage/game_scene.h"

// Shots arrive with the shot commands; until then none is ever fired, so
// none moves or ends.
int cShot::Move() { return 0; }
void cShot::MoveX() {}
void cShot::MoveY() {}

std::list<cShot>::iterator RemoveShot(std::list<cShot>& shots, std::list<cShot>::iterator node) {
    // The charas it aims at and that fired it forget it, so that nothing
    // reaches the freed shot when they go.
    cShot* shot = &*node;
    auto forget = [shot](cChara* chara) {
        if (chara) std::erase_if(chara->m_ShotLinks, [shot](const SHOTLINK& l) { return l.shot == shot; });
    };
    forget(shot->m_pOwner);
    forget(shot->m_pTarget);
    if (g_pGameScene) {
        for (std::list<cShot*>& group : g_pGameScene->m_vShotGroups) {
            auto it = std::find(group.begin(), group.end(), &*node);
            if (it != group.end()) {
                group.erase(it);
                break;
            }
        }
    }
    return shots.erase(node);
}
