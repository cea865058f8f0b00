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
PROGRAM_OBJECT_DEFINE(g_CommonPalette, cCommonPalette);
PROGRAM_OBJECT_DEFINE(g_SystemData, cSystemData);
PROGRAM_OBJECT_DEFINE(g_Database, cDatabase);
PROGRAM_OBJECT_DEFINE(g_AnimePatterns, FramePatternList);
PROGRAM_OBJECT_DEFINE(g_EffectPatterns, FramePatternList);
PROGRAM_OBJECT_DEFINE(g_Stage, cStageInfo);
PROGRAM_OBJECT_DEFINE(g_StageSettings, cStageInfo);
PROGRAM_OBJECT_DEFINE(g_HeroDef, cCharaDef);
PROGRAM_OBJECT_DEFINE(g_WorldMap, cWorldMap);
PROGRAM_OBJECT_DEFINE(g_Option, cOption);
PROGRAM_OBJECT_DEFINE(g_SystemIni, cSystemIni);

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
