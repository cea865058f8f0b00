#include "frontend/program_objects.h"

#include "app/input_state.h"
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

void BuildProgramObjects() {
    thGameObject.Build();
    thPauseObject.Build();
    thRankingObject.Build();
    thLoadObject.Build();
    g_InputStatesObject.Build(1);
    DefaultKeyConfig(g_KeyConfigObject.Build());
    g_PictureSDObject.Build();
    g_PictureDefObject.Build();
    Off_MsgObject.Build();
    g_OffMsgDefObject.Build();
    // g_SysBmp and g_FontNumberSD are plain surface records, empty from the
    // start; the drawing layer fills and releases them.
    g_FontObject.Build();
    FillSystemBitmapTables();
    g_CommonPaletteObject.Build();
    g_SystemDataObject.Build();  // with its defaults
    g_DatabaseObject.Build();
    g_AnimePatternsObject.Build();
    g_EffectPatternsObject.Build();
    g_CharaEffectProtosObject.Build();
    g_CharaEffectProtosRevObject.Build();
    g_ScrEffectProtosObject.Build();
    g_ScrEffectProtosRevObject.Build();
    g_StageObject.Build();
    g_StageSettingsObject.Build();
    g_HeroDefObject.Build();
    g_WorldMapObject.Build();
    g_OptionObject.Build();
    g_SystemIniObject.Build();
    // Last, so its scenes go before anything they use.
    g_SceneMgrObject.Build();
}

void ReleaseProgramObjects() {
    g_SceneMgrObject.Release();
    g_SystemIniObject.Release();
    g_OptionObject.Release();
    g_WorldMapObject.Release();
    g_HeroDefObject.Release();
    g_StageSettingsObject.Release();
    g_StageObject.Release();
    g_ScrEffectProtosRevObject.Release();
    g_ScrEffectProtosObject.Release();
    g_CharaEffectProtosRevObject.Release();
    g_CharaEffectProtosObject.Release();
    g_EffectPatternsObject.Release();
    g_AnimePatternsObject.Release();
    g_DatabaseObject.Release();
    g_SystemDataObject.Release();
    g_CommonPaletteObject.Release();
    g_FontObject.Release();
    g_OffMsgDefObject.Release();
    Off_MsgObject.Release();
    g_PictureDefObject.Release();
    g_PictureSDObject.Release();
    g_KeyConfigObject.Release();
    g_InputStatesObject.Release();
    thLoadObject.Release();
    thRankingObject.Release();
    thPauseObject.Release();
    thGameObject.Release();
}

void ResetProgramObjects() {
    ReleaseProgramObjects();
    BuildProgramObjects();
}
