// The condition lists of blocks, charas, items and flows.
#include "frontend/play_data.h"
#include "objects/item.h"
#include "objects/stage_chara.h"
#include "project/block_def.h"
#include "project/condition.h"
#include "project/flow.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

// The status condition (kind 4) of the flow engine.
bool EvalStatusCondition(const cCondition& cond, cChara* chara);

// Gap: the status condition arrives with the flow engine's status items;
// until then it never holds.
bool EvalStatusCondition(const cCondition&, cChara*) { return false; }

namespace {

// Blocks and items judge their conditions from the hero's side.
cChara* Hero() { return g_Heroes.empty() ? nullptr : &g_Heroes[0]; }

// Every owner follows one rule: an empty list holds; with the once switch a
// list that held once keeps holding; a list that holds sets the latch
// whatever the switch says.
template <class Latch>
int CheckList(cGameScene& scene, const cVector<cCondition>& list, int mode, int8_t once, Latch& latch,
              cChara* chara) {
    if (list.empty()) return 1;
    if (once && latch) return 1;
    if (!scene.EvalConditionList(list, mode, chara)) return 0;
    latch = 1;
    return 1;
}

}  // namespace

int cGameScene::CheckBlockConditions(cPltBlock& block) {
    cChara* hero = Hero();
    // A map cell keeps its latch; a block that is not one (a palette entry
    // or a copy) has none and is judged afresh each time.
    if (auto* cell = dynamic_cast<cMapCell*>(&block))
        return CheckList(*this, cell->m_vCond, cell->m_cCondMode, cell->m_cKeepMet, cell->m_nMet, hero);
    if (block.m_vCond.empty()) return 1;
    return EvalConditionList(block.m_vCond, block.m_cCondMode, hero);
}

int cGameScene::CheckCharaConditions(cStageChara& chara) {
    const cCharaDef& def = chara.m_Def;
    return CheckList(*this, def.m_vCond, def.m_cCondMode, def.m_cKeepMet, chara.m_bAppeared, &chara);
}

int cGameScene::CheckItemConditions(cItem& item) {
    const cPltItem& def = item.m_Def;
    return CheckList(*this, def.m_vCond, def.m_cCondMode, def.m_cKeepMet, item.m_bAppeared, Hero());
}

int cGameScene::CheckFlowConditions(cFlowRun& run, cChara& chara) {
    // A run not tied to a flow has nothing to test.
    if (!run.m_pFlow) return 1;
    const cFlow& flow = *run.m_pFlow;
    return CheckList(*this, flow.m_vCond, flow.m_cCondMode, flow.m_cKeepMet, run.m_cCondLatch, &chara);
}

int cGameScene::EvalConditionList(const cVector<cCondition>& list, int mode, cChara* chara) {
    switch (mode) {
    case 0:
        for (const cCondition& c : list)
            if (!EvalCondition(c, chara)) return 0;
        return 1;
    case 1:
        for (const cCondition& c : list)
            if (EvalCondition(c, chara)) return 1;
        return 0;
    default: return 0;
    }
}

int cGameScene::EvalCondition(const cCondition& cond, cChara* chara) {
    const int v = cond.m_sVarIndex;
    switch (cond.m_cKind) {
    case 1: return CompareByOp(g_PlayData.m_vVar.At(v), cond.m_nValue, cond.m_cOperator);
    case 2: return CompareByOp(m_vStageVars.At(v), cond.m_nValue, cond.m_cOperator);
    case 3: return chara && CompareByOp(chara->m_Vars.At(v), cond.m_nValue, cond.m_cOperator);
    case 4: return EvalStatusCondition(cond, chara);
    case 5: return chara && chara->EvalStatusCondition2(cond);
    case 6: return chara && chara->EvalStatusCondition3(cond);
    case 7: return chara && chara->EvalDistanceCondition(cond);
    default: return 0;
    }
}
