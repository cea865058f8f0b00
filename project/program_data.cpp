#include "project/program_data.h"

#include "core/report_log.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/option.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "project/world_map.h"

// The program-wide data objects of the project. BuildProgramObjects builds
// them, with the rest of the program's, in the order of the program-wide
// objects table.
constinit ProgramObject<cCommonPalette> g_CommonPaletteObject;
constinit cCommonPalette& g_CommonPalette = g_CommonPaletteObject.Get();
constinit ProgramObject<cSystemData> g_SystemDataObject;
constinit cSystemData& g_SystemData = g_SystemDataObject.Get();
constinit ProgramObject<cDatabase> g_DatabaseObject;
constinit cDatabase& g_Database = g_DatabaseObject.Get();
constinit ProgramObject<FramePatternList> g_AnimePatternsObject;
constinit FramePatternList& g_AnimePatterns = g_AnimePatternsObject.Get();
constinit ProgramObject<FramePatternList> g_EffectPatternsObject;
constinit FramePatternList& g_EffectPatterns = g_EffectPatternsObject.Get();
constinit ProgramObject<cStageInfo> g_StageObject;
constinit cStageInfo& g_Stage = g_StageObject.Get();
constinit ProgramObject<cStageInfo> g_StageSettingsObject;
constinit cStageInfo& g_StageSettings = g_StageSettingsObject.Get();
constinit ProgramObject<cCharaDef> g_HeroDefObject;
constinit cCharaDef& g_HeroDef = g_HeroDefObject.Get();
constinit ProgramObject<cWorldMap> g_WorldMapObject;
constinit cWorldMap& g_WorldMap = g_WorldMapObject.Get();
constinit ProgramObject<cOption> g_OptionObject;
constinit cOption& g_Option = g_OptionObject.Get();
constinit ProgramObject<cSystemIni> g_SystemIniObject;
constinit cSystemIni& g_SystemIni = g_SystemIniObject.Get();

const char* const g_FontFaceList[kFontFaceCount] = {
    "System", "Terminal", "FixedSys", "Roman", "Script",  // 0
    "Modern", "Small Fonts", "MS Serif", "WST_Czec", "WST_Engl",  // 5
    "WST_Fren", "WST_Germ", "WST_Ital", "WST_Span", "WST_Swed",  // 10
    "Courier", "MS Sans Serif", "Marlett", "Arial", "Arial CE",  // 15
    "Arial CYR", "Arial Greek", "Arial TUR", "Arial Baltic", "Courier New",  // 20
    "Courier New CE", "Courier New CYR", "Courier New Greek", "Courier New TUR", "Courier New Baltic",  // 25
    "Lucida Console", "Lucida Sans Unicode", "Times New Roman", "Times New Roman CE", "Times New Roman CYR",  // 30
    "Times New Roman Greek", "Times New Roman TUR", "Times New Roman Baltic", "Wingdings", "Symbol",  // 35
    "Verdana", "Arial Black", "Comic Sans MS", "Impact", "Georgia",  // 40
    "Franklin Gothic Medium", "Palatino Linotype", "Tahoma", "Trebuchet MS", "Webdings",  // 45
    "Estrangelo Edessa", "Gautami", "Latha", "Mangal", "MV Boli",  // 50
    "Raavi", "Shruti", "Tunga", "Sylfaen", "ＭＳ ゴシック",  // 55
    "ＭＳ Ｐゴシック", "MS UI Gothic", "ＭＳ 明朝", "ＭＳ Ｐ明朝", "Microsoft Sans Serif",  // 60
    "Gulim", "GulimChe", "Dotum", "DotumChe", "Batang",  // 65
    "BatangChe", "Gungsuh", "GungsuhChe", "SimSun", "NSimSun",  // 70
    "SimSun-PUA", "SimHei", "MingLiU", "PMingLiU", "Arial Narrow",  // 75
    "Book Antiqua", "Bookman Old Style", "Century", "Century Gothic", "Garamond",  // 80
    "MS Outlook", "HGｺﾞｼｯｸE", "HGPｺﾞｼｯｸE", "HGSｺﾞｼｯｸE", "HG丸ｺﾞｼｯｸM-PRO",  // 85
    "HG創英角ｺﾞｼｯｸUB", "HGP創英角ｺﾞｼｯｸUB", "HGS創英角ｺﾞｼｯｸUB", "HG創英角ﾎﾟｯﾌﾟ体", "HGP創英角ﾎﾟｯﾌﾟ体",  // 90
    "HGS創英角ﾎﾟｯﾌﾟ体", "HG正楷書体-PRO", "InMusicSym", "Kartika", "Vrinda",  // 95
    "メイリオ", "MT Extra", "HGｺﾞｼｯｸM", "HGPｺﾞｼｯｸM", "HGSｺﾞｼｯｸM",  // 100
    "HG行書体", "HGP行書体", "HGS行書体", "HG教科書体", "HGP教科書体",  // 105
    "HGS教科書体", "HG明朝B", "HGP明朝B", "HGS明朝B", "HG明朝E",  // 110
    "HGP明朝E", "HGS明朝E", "HG創英ﾌﾟﾚｾﾞﾝｽEB", "HGP創英ﾌﾟﾚｾﾞﾝｽEB", "HGS創英ﾌﾟﾚｾﾞﾝｽEB",  // 115
    "OCRB", "Sydnie", "",  // 120
};

const char* FontFaceName(int index) {
    if (index < 0 || index >= kFontFaceCount) {
        WriteReport("font face %d is outside the list of %d faces", index, kFontFaceCount);
        return "";
    }
    return g_FontFaceList[index];
}
