#include "project/system_data.h"

#include <cstddef>
#include <initializer_list>

#include "core/record_file.h"
#include "core/report_log.h"
#include "project/database.h"
#include "project/record_read.h"

// Small records.

void cCmd::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nEnabled);
    AddString(&m_strText);
}

void cStatusItem::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_nShown);
    AddInt(&m_nIcon);
    AddInt(&m_nWidth);
    if (StoredFrom(version, 204)) AddInt(&m_nNumberOnGauge);
    if (StoredFrom(version, 587)) AddInt(&m_nWarnLevel);
    if (StoredFrom(version, 587)) AddInt(&m_nWarnPercent);
    AddString(&m_strLabel);
}

bool cStatusItem::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    if (g_FileVersion < 204) m_nNumberOnGauge = 1;
    return ok;
}

void cPlayMode::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nEnabled);
}

// A flag count of 0 or less leaves the flags as they are.
bool cPlayMode::Read(DataFile* file) { return cRecord::Read(file) && ReadVector(m_vRankFlag, file); }

bool cPlayMode::Write(DataFile* file) { return cRecord::Write(file) && WriteVector(m_vRankFlag, file); }

void cIniItem::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nKind);
    AddInt(&m_nDefault);
    AddString(&m_strKey);
    AddString(&m_strDefault);
}

// The stored numbers in file order, each with the versions that store it.
namespace {

struct StoredValue {
    int8_t which;
    int16_t from;
    int16_t until;  // last version that stores it
};

constexpr int kAll = 0;
constexpr int kLatest = 32767;

constexpr StoredValue kStoredValues[] = {
    {kSysExtraLifeOn, 185, kLatest},
    {kSysExtraLifePoints, kAll, kLatest},
    {kSysPauseKeyAllowed, 838, kLatest},
    {kSysPlayScreenDrawing, kAll, kLatest},
    {kSysIconLetters, kAll, kLatest},
    {kSysFontFace, 205, kLatest},
    {kSysFontCentring, 170, kLatest},
    {kSysKeepFlaggedFlows, 113, kLatest},
    {kSysEffectDrawing, 855, kLatest},
    {kSysReplayRecording, 184, kLatest},
    {kSysTitleMenuDrawing, 157, kLatest},
    {kSysSaveSlots, 821, kLatest},
    {kSysStageLivesRule, kAll, kLatest},
    {kSysContinueOffered, 191, kLatest},
    {kSysLivesBox, 191, kLatest},
    {kSysStageCount, kAll, kLatest},
    {kSysStageCountFromProject, kAll, kLatest},
    {kSysWorldMapLayout, 167, kLatest},
    {kSysMapMenuTotal, 167, kLatest},
    {kSysRestoreVarsStory, 188, kLatest},
    {kSysPauseEntryRule1, 224, kLatest},
    {kSysStageSelectLine1, 167, kLatest},
    {kSysStageSelectLine2, 167, kLatest},
    {kSysRestoreVarsChallenge, 188, kLatest},
    {kSysPauseEntryRule2, 224, kLatest},
    {kSysRestoreVarsSingle, 188, kLatest},
    {kSysRestoreVarsStartup, 192, kLatest},
    {kSysTrueColourOnly, 187, kLatest},
    {kSysTransRed, 187, kLatest},
    {kSysTransGreen, 187, kLatest},
    {kSysTransBlue, 187, kLatest},
    {kSysPlayRule1, 214, kLatest},
    {kSysDiscarded, 221, 259},
    {kSysPlayRule2, 261, kLatest},
    {kSysPlayRule3, 272, kLatest},
    {kSysPlayRule4, 287, kLatest},
    {kSysColourCycleStep, 515, kLatest},
    {kSysColourCycling, 289, kLatest},
    {kSysPauseEntryRule3, 757, kLatest},
    {kSysPlayRule5, 525, kLatest},
    {kSysPlayRule6, 555, kLatest},
    {kSysPlayRule7, 637, kLatest},
    {kSysPlayRule8, 669, kLatest},
    {kSysPlayRule9, 677, kLatest},
    {kSysPlayRule10, 695, kLatest},
    {kSysPlayRule11, 696, kLatest},
    {kSysPlayRule12, 697, kLatest},
    {kSysPlayRule13, 721, kLatest},
    {kSysPlayRule14, 728, kLatest},
    {kSysPlayRule15, 733, kLatest},
    {kSysPlayRule16, 744, kLatest},
    {kSysPlayRule17, 749, kLatest},
    {kSysPlayRule18, 752, kLatest},
    {kSysPlayRule19, 763, kLatest},
    {kSysPlayRule20, 763, kLatest},
    {kSysPlayRule21, 768, kLatest},
    {kSysPlayRule22, 773, kLatest},
    {kSysPlayRule23, 781, kLatest},
    {kSysPlayRule24, 782, kLatest},
    {kSysPlayRule25, 783, kLatest},
    {kSysPlayRule26, 793, kLatest},
    {kSysPlayRule27, 805, kLatest},
    {kSysPlayRule28, 808, kLatest},
    {kSysPlayRule29, 818, kLatest},
    {kSysPlayRule30, 818, kLatest},
    {kSysPlayRule31, 819, kLatest},
    {kSysPlayRule32, 822, kLatest},
    {kSysPlayRule33, 827, kLatest},
    {kSysPlayRule34, 831, kLatest},
    {kSysPlayRule35, 833, kLatest},
    {kSysPlayRule36, 837, kLatest},
    {kSysPlayRule37, 839, kLatest},
    {kSysPlayRule38, 841, kLatest},
    {kSysPlayRule39, 845, kLatest},
    {kSysPlayRule40, 845, kLatest},
    {kSysPlayRule41, 845, kLatest},
    {kSysPlayRule42, 845, kLatest},
    {kSysPlayRule43, 861, kLatest},
    {kSysPlayRule44, 875, kLatest},
    {kSysPlayRule45, 894, kLatest},
    {kSysPlayRule46, 895, kLatest},
    {kSysPlayRule47, 896, kLatest},
    {kSysPlayRule48, 897, kLatest},
    {kSysScreenMode1, 670, kLatest},
    {kSysScreenMode2, 670, kLatest},
    {kSysIgnoreFreeStage, 880, kLatest},
};

bool Stored(const StoredValue& row, int version) { return StoredFrom(version, row.from) && version <= row.until; }

// Blocks of a version's file when the colour is three blocks.
int32_t BlockCount(int version) {
    int32_t n = 0;
    for (const StoredValue& row : kStoredValues) n += Stored(row, version) ? 1 : 0;
    return n;
}

}  // namespace

// The whole record.

cSystemData::cSystemData() {
    RegisterFields(g_DataVersion);
    SetDefault();
}

void cSystemData::RegisterFields(int version) {
    ClearFields();
    for (const StoredValue& row : kStoredValues) {
        if (!Stored(row, version)) continue;
        if (row.which == kSysTransRed && m_bColourOneBlock) {
            AddByte(m_bTransColour, 3);
        } else if (row.which >= kSysTransRed && row.which <= kSysTransBlue) {
            if (!m_bColourOneBlock) AddByte(&m_bTransColour[row.which - kSysTransRed]);
        } else {
            AddInt(&m_nValue[row.which]);
        }
    }
    AddString(&m_strTitle);
}

void cSystemData::MatchBlockCount(int version, int32_t blocks) {
    // Files carry the transparent colour as three blocks or as one.
    m_bColourOneBlock = StoredFrom(version, 187) && blocks == BlockCount(version) - 2;
    RegisterLayout(version);
}

namespace {

// String lists: emptied, then the counted strings; a count of 0 or less
// leaves the list empty.
bool ReadStringList(cVector<std::string>& list, DataFile* file) {
    int32_t n = 0;
    if (!ReadCount(n, file, 4)) return false;
    list.clear();
    for (int32_t i = 0; i < n; ++i) {
        list.emplace_back();
        if (!ReadString(list.back(), file)) return false;
    }
    return true;
}

bool WriteStringList(const cVector<std::string>& list, DataFile* file) {
    if (!file->WriteInt(list.Size())) return false;
    for (const std::string& s : list)
        if (!WriteString(s, file)) return false;
    return true;
}

// The two list operations of the upgrades; both keep the list's length.
template <class T>
void ResizeTo(cVector<T>& list, int n) {
    list.resize(static_cast<size_t>(n));
}

// Moves i .. n-2 one place on (the last is lost); the caller then sets i.
template <class T>
bool ShiftFrom(cVector<T>& list, int i) {
    if (i < 0 || i >= list.Size()) return false;
    for (int k = list.Size() - 1; k > i; --k) list[static_cast<size_t>(k)] = list[static_cast<size_t>(k - 1)];
    return true;
}

template <class T>
void InsertAt(cVector<T>& list, int i, const T& value) {
    if (ShiftFrom(list, i)) list[static_cast<size_t>(i)] = value;
}

// A key set by an upgrade keeps the default text of the entry it replaces.
void SetKey(cIniItem& item, const char* key, int32_t value) {
    item.m_nKind = cIniItem::kInteger;
    item.m_strKey = key;
    item.m_nDefault = value;
}

void InsertKey(IniKeyList& list, int i, const char* key, int32_t value) {
    if (ShiftFrom(list, i)) SetKey(list[static_cast<size_t>(i)], key, value);
}

void InsertText(cVector<std::string>& texts, int i, const char* text) { InsertAt(texts, i, std::string(text)); }

template <class T>
void FillTo(cVector<T>& list, int n, T value) {
    ResizeTo(list, n);
    list.Fill(value);
}

using Step = UpgradeStep<cSystemData>;

// Sets every value listed to 1.
template <SysValue... Which>
void TurnOn(cSystemData& s) {
    (s.Set(Which, 1), ...);
}

template <SysValue... Which>
void TurnOff(cSystemData& s) {
    (s.Set(Which, 0), ...);
}

// Data files are read one at a time, so the version of the file whose
// upgrade runs is the one last opened.
int UpgradeVersion() { return g_FileVersion; }

// The steps in this order; each sees what the steps before it left.
const Step kUpgrades[] = {
    {113, TurnOff<kSysKeepFlaggedFlows>},
    {157, TurnOff<kSysTitleMenuDrawing>},
    {167, TurnOn<kSysWorldMapLayout, kSysMapMenuTotal, kSysStageSelectLine1, kSysStageSelectLine2>},
    {168,
     [](cSystemData& s) {
         ResizeTo(s.m_vCarryPart, kCarryPartCount);
         InsertAt<uint8_t>(s.m_vCarryPart, 16, 1);
     }},
    {169,
     [](cSystemData& s) {
         ResizeTo(s.m_vMapMenu, 4);
         InsertAt(s.m_vMapMenu, 1, cCmd(1, "オートセーブ"));
         ResizeTo(s.m_vText, kSystemTextCount);
         InsertText(s.m_vText, 12, "保存先が不明です！一度は「セーブ」して下さい！");
         InsertText(s.m_vText, 12, "オートセーブＯＦＦ");
         InsertText(s.m_vText, 12, "オートセーブＯＮ");
     }},
    {170, TurnOff<kSysFontCentring>},
    {181,
     [](cSystemData& s) {
         for (int m = 0; m < kPlayModeCount && m < s.m_vPlayMode.Size(); ++m) {
             cVector<uint8_t>& flags = s.m_vPlayMode[static_cast<size_t>(m)].m_vRankFlag;
             ResizeTo(flags, 5);
             flags[3] = 0;
             flags[4] = 0;
         }
         ResizeTo(s.m_vText, kSystemTextCount);
         InsertText(s.m_vText, 8, "残りHP");
         InsertText(s.m_vText, 9, "残りSP");
     }},
    {184, TurnOn<kSysReplayRecording>},
    {185, TurnOn<kSysExtraLifeOn>},
    {187,
     [](cSystemData& s) {
         s.Set(kSysTrueColourOnly, 0);
         s.Set(kSysTransRed, 0);
         s.Set(kSysTransGreen, 177);
         s.Set(kSysTransBlue, 0);
     }},
    {188, TurnOn<kSysRestoreVarsStory, kSysRestoreVarsChallenge, kSysRestoreVarsSingle>},
    {191,
     [](cSystemData& s) {
         s.m_vInfiniteLives = cVector<int32_t>{0, 0, 0, 1};
         TurnOff<kSysContinueOffered, kSysLivesBox>(s);
     }},
    {192, TurnOn<kSysRestoreVarsStartup>},
    {193,
     [](cSystemData& s) {
         ResizeTo(s.m_vText, kSystemTextCount);
         InsertText(s.m_vText, 22, "リトライ");
         InsertText(s.m_vText, 23, "マップへ戻る");
     }},
    {201,
     [](cSystemData& s) {
         ResizeTo(s.m_vCarryPart, kCarryPartCount);
         InsertAt<uint8_t>(s.m_vCarryPart, 14, 0);
     }},
    {202, [](cSystemData& s) { FillTo<uint8_t>(s.m_vSceneBgmLoop, kSceneMusicCount, 1); }},
    {205, [](cSystemData& s) { s.Set(kSysFontFace, 60); }},
    {210,
     [](cSystemData& s) {
         ResizeTo(s.m_vCarryPart, kCarryPartCount);
         InsertAt<uint8_t>(s.m_vCarryPart, 9, 0);
     }},
    {214, TurnOn<kSysPlayRule1>},
    {224, TurnOff<kSysPauseEntryRule1, kSysPauseEntryRule2>},
    {261, TurnOn<kSysPlayRule2>},
    {272, TurnOff<kSysPlayRule3>},
    {286,
     [](cSystemData& s) {
         ResizeTo(s.m_vIniKey, kIniKeyCount);
         InsertKey(s.m_vIniKey, 0, "Direct3D", 1);
         if (s.m_vIniKey[3].m_nDefault >= 3) s.m_vIniKey[3].m_nDefault = 2;
     }},
    {287, TurnOff<kSysPlayRule4>},
    {289, [](cSystemData& s) { s.Set(kSysColourCycling, s.Get(kSysTrueColourOnly) == 0 ? 1 : 0); }},
    {501, [](cSystemData& s) { FillTo<uint8_t>(s.m_vMissClearPart, kCarryPartCount, 0); }},
    {515, [](cSystemData& s) { s.Set(kSysColourCycleStep, 16); }},
    {525, TurnOn<kSysPlayRule5>},
    {555, TurnOn<kSysPlayRule6>},
    {567,
     [](cSystemData& s) {
         ResizeTo(s.m_vIniKey, kIniKeyCount);
         InsertKey(s.m_vIniKey, 4, "DD_VideoStretch", 0);
     }},
    {568,
     [](cSystemData& s) {
         ResizeTo(s.m_vIniKey, kIniKeyCount);
         InsertKey(s.m_vIniKey, 4, "D3D_FontCache", 0);
         InsertKey(s.m_vIniKey, 5, "DD_FontCache", 1);
     }},
    {587,
     [](cSystemData& s) {
         ResizeTo(s.m_vStatusItem, kStatusItemCount);
         for (int i : {2, 3}) {
             s.m_vStatusItem[static_cast<size_t>(i)].m_nWarnLevel = 33;
             s.m_vStatusItem[static_cast<size_t>(i)].m_nWarnPercent = 1;
         }
     }},
    {637, [](cSystemData& s) { s.Set(kSysPlayRule7, UpgradeVersion() <= 616 ? 1 : 0); }},
    {669, TurnOn<kSysPlayRule8>},
    {670,
     [](cSystemData& s) {
         s.Set(kSysScreenMode1, 0);
         s.Set(kSysScreenMode2, 2);
     }},
    {672,
     [](cSystemData& s) {
         ResizeTo(s.m_vIniKey, kIniKeyCount);
         SetKey(s.m_vIniKey[9], "English", 0);
     }},
    {677, TurnOn<kSysPlayRule9>},
    {695, TurnOn<kSysPlayRule10>},
    {696, TurnOn<kSysPlayRule11>},
    {697, TurnOn<kSysPlayRule12>},
    {721, TurnOn<kSysPlayRule13>},
    {728, TurnOn<kSysPlayRule14>},
    {733, TurnOn<kSysPlayRule15>},
    {744, TurnOn<kSysPlayRule16>},
    {749, TurnOn<kSysPlayRule17>},
    {752, TurnOn<kSysPlayRule18>},
    {756,
     [](cSystemData& s) {
         ResizeTo(s.m_vText, kSystemTextCount);
         InsertText(s.m_vText, 22, "マップへ戻る");
     }},
    {757, TurnOff<kSysPauseEntryRule3>},
    {763, TurnOn<kSysPlayRule19, kSysPlayRule20>},
    {768, TurnOn<kSysPlayRule21>},
    {773, TurnOn<kSysPlayRule22>},
    {781, TurnOn<kSysPlayRule23>},
    {782, TurnOn<kSysPlayRule24>},
    {783, TurnOn<kSysPlayRule25>},
    {793, TurnOn<kSysPlayRule26>},
    {805, TurnOn<kSysPlayRule27>},
    {808, TurnOn<kSysPlayRule28>},
    {818, TurnOn<kSysPlayRule29, kSysPlayRule30>},
    {819, TurnOn<kSysPlayRule31>},
    {821, TurnOff<kSysSaveSlots>},
    {822, TurnOn<kSysPlayRule32>},
    {827, TurnOn<kSysPlayRule33>},
    {831, TurnOn<kSysPlayRule34>},
    {833, [](cSystemData& s) { if (UpgradeVersion() >= 817) s.Set(kSysPlayRule35, 1); }},
    {837, TurnOn<kSysPlayRule36>},
    {838, TurnOn<kSysPauseKeyAllowed>},
    {839, TurnOn<kSysPlayRule37>},
    {841, TurnOn<kSysPlayRule38>},
    {842,
     [](cSystemData& s) {
         ResizeTo(s.m_vIniKey, kIniKeyCount);
         SetKey(s.m_vIniKey[10], "Midi_DirectMusic", 1);
     }},
    {845,
     [](cSystemData& s) {
         TurnOn<kSysPlayRule39, kSysPlayRule40, kSysPlayRule41>(s);
         s.Set(kSysPlayRule42, UpgradeVersion() >= 656 ? 1 : 0);
     }},
    {855, TurnOn<kSysEffectDrawing>},
    {861, TurnOn<kSysPlayRule43>},
    {875, TurnOn<kSysPlayRule44>},
    {894, [](cSystemData& s) { if (UpgradeVersion() >= 822) s.Set(kSysPlayRule45, 1); }},
    {895, TurnOn<kSysPlayRule46>},
    {896, [](cSystemData& s) { if (UpgradeVersion() >= 890) s.Set(kSysPlayRule47, 1); }},
    {897, TurnOn<kSysPlayRule48>},
};

}  // namespace

bool cSystemData::Read(DataFile* file) {
    if (!file) return false;
    const int version = g_FileVersion;
    bool ok = cRecord::Read(file);

    ok = ok && ReadVector(m_vCarryPart, file);
    if (ok && StoredFrom(version, 501)) ok = ReadVector(m_vMissClearPart, file);
    ok = ok && ReadRecordVector(m_vStatusItem, file);
    ok = ok && ReadVector(m_vLives, file);
    if (ok && StoredFrom(version, 191)) ok = ReadVector(m_vInfiniteLives, file);
    if (ok && StoredFrom(version, 186)) ok = ReadRecordVector(m_vPlayMode, file);
    ok = ok && ReadStringList(m_vText, file);
    ok = ok && ReadStringList(m_vSoundName, file);
    ok = ok && ReadVector(m_vSceneBgm, file);
    if (ok && StoredFrom(version, 202)) ok = ReadVector(m_vSceneBgmLoop, file);
    ok = ok && ReadRecordVector(m_vTitleMenu, file);
    ok = ok && ReadRecordVector(m_vMapMenu, file);
    ok = ok && ReadRecordVector(m_vOptionMenu, file);
    if (ok && StoredFrom(version, 674)) ok = ReadStringList(m_vRankEntryMode, file);
    ok = ok && ReadRecordVector(m_vIniKey, file);

    ApplyUpgrades(kUpgrades, *this, version);
    Validate();
    return ok;
}

bool cSystemData::Write(DataFile* file) {
    if (!file) return false;
    Validate();
    return cRecord::Write(file) && WriteVector(m_vCarryPart, file) && WriteVector(m_vMissClearPart, file) &&
           WriteRecords(m_vStatusItem, file) && WriteVector(m_vLives, file) && WriteVector(m_vInfiniteLives, file) &&
           WriteRecords(m_vPlayMode, file) && WriteStringList(m_vText, file) && WriteStringList(m_vSoundName, file) &&
           WriteVector(m_vSceneBgm, file) && WriteVector(m_vSceneBgmLoop, file) && WriteRecords(m_vTitleMenu, file) &&
           WriteRecords(m_vMapMenu, file) && WriteRecords(m_vOptionMenu, file) &&
           WriteStringList(m_vRankEntryMode, file) && WriteRecords(m_vIniKey, file);
}

void cSystemData::Validate() {
    // A negative number would index the Bgm list just as badly.
    const int32_t bgmCount = g_Database.m_vBgm.Size();
    for (int32_t& bgm : m_vSceneBgm)
        if (bgm < 0 || bgm >= bgmCount) bgm = 0;
}

namespace {

cStatusItem MakeStatusItem(int32_t width, const char* label) {
    cStatusItem item;
    item.m_nShown = 1;
    item.m_nIcon = 1;
    item.m_nWidth = width;
    item.m_strLabel = label;
    return item;
}

cPlayMode MakePlayMode(int32_t enabled) {
    cPlayMode mode;
    mode.m_nEnabled = enabled;
    mode.m_vRankFlag.assign(5, static_cast<uint8_t>(enabled));
    return mode;
}

cVector<cCmd> MakeMenu(std::initializer_list<const char*> texts) {
    cVector<cCmd> menu;
    for (const char* text : texts) menu.emplace_back(1, text);
    return menu;
}

cIniItem MakeKey(const char* key, int32_t kind, int32_t value) {
    cIniItem item;
    item.m_nKind = kind;
    item.m_strKey = key;
    item.m_nDefault = value;
    return item;
}

cVector<uint8_t> Flags(std::initializer_list<int> set) {
    cVector<uint8_t> flags(kCarryPartCount, 0);
    for (int i : set) flags[static_cast<size_t>(i)] = 1;
    return flags;
}

}  // namespace

void cSystemData::SetDefault() {
    Clear();
    for (int32_t& v : m_nValue) v = 0;

    Set(kSysExtraLifePoints, 100);
    Set(kSysPlayScreenDrawing, 1);
    Set(kSysIconLetters, 0);
    Set(kSysFontFace, 60);
    Set(kSysReplayRecording, 1);
    Set(kSysTitleMenuDrawing, 1);
    Set(kSysSaveSlots, 1);
    Set(kSysRestoreVarsStory, 1);
    Set(kSysRestoreVarsChallenge, 1);
    Set(kSysRestoreVarsSingle, 1);
    Set(kSysPauseEntryRule1, 1);
    Set(kSysPauseEntryRule3, 1);
    Set(kSysPauseEntryRule2, 1);
    Set(kSysColourCycleStep, 16);

    m_vCarryPart = Flags({0, 1, 13, 14, 16, 17, 19, 20, 21});
    m_vMissClearPart = Flags({11, 12});

    m_vStatusItem = cVector<cStatusItem>{MakeStatusItem(4, "スコア"), MakeStatusItem(3, "スコア"),
                                         MakeStatusItem(0, "HP"), MakeStatusItem(0, "SP"), MakeStatusItem(2, "人")};
    m_vPlayMode = cVector<cPlayMode>{MakePlayMode(1), MakePlayMode(1), MakePlayMode(1), MakePlayMode(0)};

    m_vTitleMenu = MakeMenu({"はじめから", "つづきから", "チャレンジ", "フリー", "リプレイ", "オプション", "しゅうりょう"});
    m_vMapMenu = MakeMenu({"セーブ", "オートセーブ", "もどる", "タイトルへ"});
    // The options screen's rows in order: colour tone, music, sound volume,
    // ranking entry mode, player name, back.
    m_vOptionMenu = MakeMenu({"色調", "BGM", "SE", "ランキング登録", "ランキング登録名", "もどる"});
    m_vRankEntryMode = cVector<std::string>{"手動登録（登録名入力）", "手動登録（登録名固定）", "自動登録（登録名入力）",
                                            "自動登録（登録名固定）"};

    Set(kSysStageLivesRule, 1);
    Set(kSysContinueOffered, 1);
    Set(kSysLivesBox, 1);
    Set(kSysStageCount, 40);
    Set(kSysStageCountFromProject, 1);
    m_vLives = cVector<int32_t>{5, 5, 5, 99};
    m_vInfiniteLives = cVector<int32_t>{1, 1, 1, 1};
    Set(kSysWorldMapLayout, 1);
    Set(kSysMapMenuTotal, 1);
    Set(kSysStageSelectLine1, 1);
    Set(kSysStageSelectLine2, 1);

    m_vText = cVector<std::string>{
        "ワールド",
        "ステージ",
        "スコア",
        "ハイスコア",
        "トータルスコア",
        "スコア",
        "残り時間",
        "クリア時間",
        "残りHP",
        "残りSP",
        "ステージに挑む",
        "やっぱりやめる",
        "セーブする",
        "やっぱりやめる",
        "オートセーブＯＮ",
        "オートセーブＯＦＦ",
        "保存先が不明です！一度は「セーブ」して下さい！",
        "タイトルへ戻る",
        "やっぱりやめる",
        "しゅうりょう",
        "つづける",
        "リトライ",
        "マップへ戻る",
        "リトライ",
        "マップへ戻る",
        "Vキーでジャンルの切り替え",
        "スペースキーでタイトルへ戻る",
        "スペースキーで終了",
        "F3キーでランキングへ登録",
    };
    m_vSoundName.assign(kSystemSoundCount, std::string());
    m_vSceneBgm.assign(kSceneMusicCount, 0);
    m_vSceneBgmLoop.assign(kSceneMusicCount, 1);

    m_vIniKey = IniKeyList{
        MakeKey("Direct3D", cIniItem::kInteger, 2),
        MakeKey("WindowMode", cIniItem::kInteger, 0),
        MakeKey("Bpp", cIniItem::kInteger, 0),
        MakeKey("VSync", cIniItem::kInteger, 2),
        MakeKey("D3D_FontCache", cIniItem::kInteger, 0),
        MakeKey("DD_FontCache", cIniItem::kInteger, 1),
        MakeKey("DD_VideoStretch", cIniItem::kInteger, 0),
        MakeKey("ShowFps", cIniItem::kInteger, 1),
        MakeKey("FreeStage", cIniItem::kText, 0),
        MakeKey("English", cIniItem::kInteger, 0),
        MakeKey("Midi_DirectMusic", cIniItem::kInteger, 1),
    };

    Set(kSysScreenMode1, 0);
    Set(kSysScreenMode2, 2);
    Set(kSysIgnoreFreeStage, 0);
}

int32_t cSystemData::Get(SysValue which) const {
    if (which >= kSysTransRed && which <= kSysTransBlue) return m_bTransColour[which - kSysTransRed];
    if (which <= 0 || which >= kSysValueCount) return 0;
    return m_nValue[which];
}

void cSystemData::Set(SysValue which, int32_t value) {
    if (which >= kSysTransRed && which <= kSysTransBlue)
        m_bTransColour[which - kSysTransRed] = static_cast<uint8_t>(value);
    else if (which > 0 && which < kSysValueCount)
        m_nValue[which] = value;
}

int cSystemData::CountModeFlags(int mode) const {
    const cPlayMode& playMode = m_vPlayMode.At(mode);
    if (playMode.m_nEnabled == 0) return 0;
    int n = 0;
    for (uint8_t flag : playMode.m_vRankFlag) n += flag != 0 ? 1 : 0;
    return n;
}

int cSystemData::IsWarningLevel(int item, int value, int max) const {
    const cStatusItem& status = m_vStatusItem.At(item);
    if (status.m_nWarnPercent == 0) return status.m_nWarnLevel >= value ? 1 : 0;
    // A maximum of 0 makes the share infinite: only a negative value warns.
    if (max == 0) return value < 0 ? 1 : 0;
    return status.m_nWarnLevel >= static_cast<double>(value) * 100.0 / max ? 1 : 0;
}

int LoadSystemData(const char* path) {
    if (g_SystemData.LoadFile(path)) return 1;
    ReportError("%s の読み込みに失敗…", path);
    return 0;
}
