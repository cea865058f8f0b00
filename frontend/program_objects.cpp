#include "frontend/program_objects.h"

#include <iterator>

#include "app/input_state.h"
#include "audio/sound_slots.h"
#include "audio/bgm_player.h"
#include "core/thread.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/effect_state.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/option.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "project/world_map.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "stage/stage_resources.h"
#include "stage/stage_setup.h"

namespace {

// One row of the table: how the object is built and released.
struct ObjectRow {
    void (*build)();
    void (*release)();
};

// An object built by its class alone.
template <auto& holder>
constexpr ObjectRow Plain{[] { holder.Build(); }, [] { holder.Release(); }};

// The program-wide objects in the order they are built; released in the
// reverse order.
constexpr ObjectRow kObjects[] = {
    Plain<thGameObject>,
    Plain<thPauseObject>,
    Plain<thRankingObject>,
    Plain<thLoadObject>,
    {[] { g_InputStatesObject.Build(1); }, [] { g_InputStatesObject.Release(); }},
    {[] { DefaultKeyConfig(g_KeyConfigObject.Build()); }, [] { g_KeyConfigObject.Release(); }},
    Plain<g_PictureSDObject>,
    Plain<g_PictureDefObject>,
    Plain<Off_MsgObject>,
    Plain<g_OffMsgDefObject>,
    // g_SysBmp and g_FontNumberSD are plain surface records, empty from the
    // start; the drawing layer fills and releases them.
    Plain<g_FontObject>,
    {FillSystemBitmapTables, [] {}},
    Plain<g_SoundSlotsObject>,
    Plain<g_SoundFilesObject>,
    Plain<g_BgmPlayerObject>,
    Plain<g_CommonPaletteObject>,
    Plain<g_SystemDataObject>,  // with its defaults
    Plain<g_DatabaseObject>,
    Plain<g_AnimePatternsObject>,
    Plain<g_EffectPatternsObject>,
    Plain<g_CharaEffectProtosObject>,
    Plain<g_CharaEffectProtosRevObject>,
    Plain<g_ScrEffectProtosObject>,
    Plain<g_ScrEffectProtosRevObject>,
    Plain<g_HeroesObject>,
    Plain<g_MapObject>,
    Plain<g_CharasObject>,
    Plain<g_ItemsObject>,
    Plain<g_CursorStackObject>,
    Plain<g_PlayDataObject>,
    Plain<g_PlayDataStartObject>,
    Plain<g_PlayDataPrevObject>,
    Plain<g_CharaExcSurfacesObject>,
    Plain<g_CharaExcDefsObject>,
    Plain<g_SwordSurfacesObject>,
    Plain<g_SwordDefsObject>,
    Plain<g_EffectSurfacesObject>,
    Plain<g_EffectDefsObject>,
    Plain<g_StageObject>,
    Plain<g_StageSettingsObject>,
    Plain<g_HeroDefObject>,
    Plain<g_WorldMapObject>,
    Plain<g_OptionObject>,
    Plain<g_SystemIniObject>,
    // Last, so its scenes go before anything they use.
    Plain<g_SceneMgrObject>,
};

}  // namespace

void BuildProgramObjects() {
    for (const ObjectRow& row : kObjects) row.build();
}

void ReleaseProgramObjects() {
    for (auto row = std::rbegin(kObjects); row != std::rend(kObjects); ++row) row->release();
}

void ResetProgramObjects() {
    ReleaseProgramObjects();
    BuildProgramObjects();
}
