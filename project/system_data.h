// The project settings: the game title, the play rules shared by every
// stage, the texts and menus of the front end, the lives of each play mode,
// the status items of the play screen, the front-end scene music, the
// system sound names, the transparent colour, the font face and the keys of
// "System.ini". Read once at start-up from "data\System.dat" (written only
// by the editor) and read-only afterwards.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "core/containers.h"
#include "core/program_object.h"
#include "core/record.h"

class DataFile;

// A menu command of the front end.
class cCmd : public cRecord {
public:
    int32_t m_nEnabled = 1;
    std::string m_strText;

    cCmd() = default;
    cCmd(int32_t enabled, std::string text) : m_nEnabled(enabled), m_strText(std::move(text)) {}

    void RegisterFields(int version) override;
};

// Commands grown into a list are enabled with an empty text.
template <>
struct ElementTraits<cCmd> : DefaultedRecord<cCmd> {};

// One item of the play screen's status bar.
class cStatusItem : public cRecord {
public:
    int32_t m_nShown = 0;
    int32_t m_nIcon = 0;          // the 16 x 16 icon instead of the label
    std::string m_strLabel;
    int32_t m_nNumberOnGauge = 0; // HP and SP draw their value over the gauge
    int32_t m_nWidth = 0;         // characters reserved for the value
    int32_t m_nWarnLevel = 0;
    int32_t m_nWarnPercent = 0;   // the warning level is a percentage of the maximum

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
};

// One play mode: whether rankings are recorded in it and which kinds.
class cPlayMode : public cRecord {
public:
    int32_t m_nEnabled = 0;
    // Flag t: ranking kind t (score, time left, clear time, HP left, SP left).
    cVector<uint8_t> m_vRankFlag = cVector<uint8_t>(5, 0);

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};

// One key of "System.ini" with its kind and default.
class cIniItem : public cRecord {
public:
    enum Kind : int32_t { kInteger = 0, kText = 1 };
    int32_t m_nKind = kInteger;
    std::string m_strKey;
    int32_t m_nDefault = 0;       // integer keys
    std::string m_strDefault;     // text keys

    void RegisterFields(int version) override;
};

// The keys of "System.ini" as the project lists them.
using IniKeyList = cVector<cIniItem>;

// The numbered settings. Each number has its own name and, where later
// readers know it by another, those names as well; the play rules that
// older projects switch on are also named by the data version below which
// the upgrade turns them on (kSysSwitch214 ...).
enum SysValue : int {
    kSysExtraLifeOn = 1,
    kSysExtraLifePoints = 2,
    kSysPauseKeyAllowed = 3,
    kSysPlayScreenDrawing = 4,
    kSysIconLetters = 5,
    kSysFontFace = 6,
    kSysFontCentring = 7,
    kSysKeepFlaggedFlows = 8,
    kSysEffectDrawing = 9,
    kSysReplayRecording = 10,
    kSysTitleMenuDrawing = 11,
    kSysSaveSlots = 12,
    kSysStageLivesRule = 13,
    kSysContinueOffered = 14,
    kSysLivesBox = 15,
    kSysStageCount = 16,
    kSysStageCountFromProject = 17,
    kSysWorldMapLayout = 18,
    kSysMapMenuTotal = 19,
    kSysRestoreVarsStory = 20,
    kSysPauseEntryRule1 = 21,
    kSysStageSelectLine1 = 22,
    kSysStageSelectLine2 = 23,
    kSysRestoreVarsChallenge = 24,
    kSysPauseEntryRule2 = 25,
    kSysRestoreVarsSingle = 26,
    kSysRestoreVarsStartup = 27,
    kSysTrueColourOnly = 28,
    kSysTransRed = 29,
    kSysTransGreen = 30,
    kSysTransBlue = 31,
    kSysPlayRule1 = 32,
    kSysDiscarded = 33,  // scratch of files 221 to 259
    kSysPlayRule2 = 34,
    kSysPlayRule3 = 35,
    kSysPlayRule4 = 36,
    kSysColourCycleStep = 37,
    kSysColourCycling = 38,
    kSysPauseEntryRule3 = 39,
    kSysPlayRule5 = 40,  // play rule n (5 to 48) is value n + 35
    kSysPlayRule6, kSysPlayRule7, kSysPlayRule8, kSysPlayRule9, kSysPlayRule10,
    kSysPlayRule11, kSysPlayRule12, kSysPlayRule13, kSysPlayRule14, kSysPlayRule15,
    kSysPlayRule16, kSysPlayRule17, kSysPlayRule18, kSysPlayRule19, kSysPlayRule20,
    kSysPlayRule21, kSysPlayRule22, kSysPlayRule23, kSysPlayRule24, kSysPlayRule25,
    kSysPlayRule26, kSysPlayRule27, kSysPlayRule28, kSysPlayRule29, kSysPlayRule30,
    kSysPlayRule31, kSysPlayRule32, kSysPlayRule33, kSysPlayRule34, kSysPlayRule35,
    kSysPlayRule36, kSysPlayRule37, kSysPlayRule38, kSysPlayRule39, kSysPlayRule40,
    kSysPlayRule41, kSysPlayRule42, kSysPlayRule43, kSysPlayRule44, kSysPlayRule45,
    kSysPlayRule46, kSysPlayRule47,
    kSysPlayRule48 = 83,
    kSysScreenMode1 = 84,
    kSysScreenMode2 = 85,
    kSysIgnoreFreeStage = 86,
    kSysValueCount = 87,  // 0 is unused

    // The names the later readers use.
    kSysColourMode = kSysTrueColourOnly,           // 0 palette, 1 true colour
    kSysFontFaceIndex = kSysFontFace,
    kSysTextMode = kSysFontCentring,
    kSysD3DFullScreenDepth = kSysScreenMode1,      // 0 32 bits, 1 16 bits
    kSysDDFullScreenDepth = kSysScreenMode2,       // 0 32, 1 16, 2 8 bits
    kSysStartStageThenTitle = kSysIgnoreFreeStage,

    // Switches by the version below which older projects have them on.
    kSysSwitch214 = kSysPlayRule1,
    kSysSwitch261 = kSysPlayRule2,
    kSysSwitch525 = kSysPlayRule5,
    kSysSwitch555 = kSysPlayRule6,
    kSysSwitch637 = kSysPlayRule7,
    kSysSwitch669 = kSysPlayRule8,
    kSysSwitch677 = kSysPlayRule9,
    kSysSwitch695 = kSysPlayRule10,
    kSysSwitch696 = kSysPlayRule11,
    kSysSwitch697 = kSysPlayRule12,
    kSysSwitch721 = kSysPlayRule13,
    kSysSwitch728 = kSysPlayRule14,
    kSysSwitch733 = kSysPlayRule15,
    kSysSwitch744 = kSysPlayRule16,
    kSysSwitch749 = kSysPlayRule17,
    kSysSwitch752 = kSysPlayRule18,
    kSysSwitch763a = kSysPlayRule19,
    kSysSwitch763b = kSysPlayRule20,
    kSysSwitch768 = kSysPlayRule21,
    kSysSwitch773 = kSysPlayRule22,
    kSysSwitch781 = kSysPlayRule23,
    kSysSwitch782 = kSysPlayRule24,
    kSysSwitch783 = kSysPlayRule25,
    kSysSwitch793 = kSysPlayRule26,
    kSysSwitch805 = kSysPlayRule27,
    kSysSwitch808 = kSysPlayRule28,
    kSysSwitch818a = kSysPlayRule29,
    kSysSwitch818b = kSysPlayRule30,
    kSysSwitch819 = kSysPlayRule31,
    kSysSwitch822 = kSysPlayRule32,
    kSysSwitch827 = kSysPlayRule33,
    kSysSwitch831 = kSysPlayRule34,
    kSysSwitch832 = kSysPlayRule35,  // on for files 817 to 832
    kSysSwitch837 = kSysPlayRule36,
    kSysSwitch838 = kSysPauseKeyAllowed,
    kSysSwitch839 = kSysPlayRule37,
    kSysSwitch841 = kSysPlayRule38,
    kSysSwitch845a = kSysPlayRule39,
    kSysSwitch845b = kSysPlayRule40,
    kSysSwitch845c = kSysPlayRule41,
    kSysSwitch845d = kSysPlayRule42,  // files from 656 only
    kSysSwitch855 = kSysEffectDrawing,
    kSysSwitch861 = kSysPlayRule43,
    kSysSwitch875 = kSysPlayRule44,
    kSysSwitch894 = kSysPlayRule45,  // on for files 822 to 893
    kSysSwitch895 = kSysPlayRule46,
    kSysSwitch896 = kSysPlayRule47,  // on for files 890 to 895
    kSysSwitch897 = kSysPlayRule48,

    // Play rules of the stage set-up and of block summons, by what they do.
    kSysStrictSummonLock = kSysPlayRule7,    // every locked cell refuses a block summon
    kSysStartFlowsForAll = kSysPlayRule12,   // every chara runs its stage-start flows, not only the active
    kSysKeepStartPosition = kSysPlayRule21,  // a copy's start position stays on its tile
    kSysKeepHeroDef = kSysPlayRule33,        // a restart keeps the hero's definition as play left it
    kSysCrushAll = kSysPlayRule36,           // summoned blocks squeeze flying charas too
    kSysKeepDefeated = kSysPlayRule3,        // a chara defeated outside combat stays for its death drawing
    // Play rules of the hit resolution.
    kSysHarmlessShotsPass = kSysPlayRule19,  // a shot without power, impact or item harms nobody and stays
    kSysBodyHitEventsAtOnce = kSysPlayRule20,  // each body damage raises its hit triggers at once
    // Play rules of the block charas.
    kSysLooseSolidContact = kSysPlayRule28,   // landing and head bumps skip comparing the saved edges
    kSysHeadBumpKeepsFall = kSysPlayRule29,   // a head bump leaves the vertical impact running
    kSysUnstickByContacts = kSysPlayRule37,   // stepping out of the map follows the contact flags
    kSysCarryYWhenAirborne = kSysPlayRule42,  // a walking platform carries its rider up and down only in the air
};

// Play modes, the index of the per-mode lists.
enum PlayModeIndex : int { kModeStory = 0, kModeChallenge = 1, kModeSingle = 2, kModeReplay = 3 };

// Fixed sizes of the lists.
constexpr int kCarryPartCount = 25;
constexpr int kStatusItemCount = 5;
constexpr int kPlayModeCount = 4;
constexpr int kSystemTextCount = 29;
constexpr int kSystemSoundCount = 17;
constexpr int kSceneMusicCount = 4;
constexpr int kIniKeyCount = 11;

class cSystemData : public cRecord {
public:
    std::string m_strTitle;
    // Index = setting number; the transparent colour's three lives in
    // m_bTransColour, since it is stored as bytes.
    int32_t m_nValue[kSysValueCount] = {};
    uint8_t m_bTransColour[3] = {};  // red, green, blue

    cVector<uint8_t> m_vCarryPart;        // carried from stage to stage
    cVector<uint8_t> m_vMissClearPart;    // carried parts dropped after a miss
    cVector<cStatusItem> m_vStatusItem;
    cVector<int32_t> m_vLives;            // per play mode
    cVector<int32_t> m_vInfiniteLives;    // per play mode, non-zero: infinite
    cVector<cPlayMode> m_vPlayMode;
    cVector<std::string> m_vText;         // system texts
    cVector<std::string> m_vSoundName;    // system sound i
    cVector<int32_t> m_vSceneBgm;         // 0 title, 1 world map, 2 stage select, 3 options; 0 none
    cVector<uint8_t> m_vSceneBgmLoop;
    cVector<cCmd> m_vTitleMenu;
    cVector<cCmd> m_vMapMenu;
    cVector<cCmd> m_vOptionMenu;
    cVector<std::string> m_vRankEntryMode;
    IniKeyList m_vIniKey;

    // Registered for the current version and set to the defaults.
    cSystemData();
    cSystemData(const cSystemData&) = delete;
    cSystemData& operator=(const cSystemData&) = delete;

    void RegisterFields(int version) override;
    void MatchBlockCount(int version, int32_t blocks) override;
    // The record, the fifteen lists by their versions, the upgrades of older
    // files, then Validate. False when the file is broken.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;

    // Every member and list to the values of a project without a file.
    void SetDefault();
    // Scene music numbers outside the Bgm database become 0.
    void Validate();

    // A numbered setting by name (the colour bytes included); an unknown
    // number reads 0 and is not stored.
    int32_t Get(SysValue which) const;
    void Set(SysValue which, int32_t value);

    // Ranking kinds recorded in play mode `mode`; 0 when rankings are off there.
    int CountModeFlags(int mode) const;
    // 1 when `value` of `max` has reached status item `item`'s warning level.
    int IsWarningLevel(int item, int value, int max) const;

private:
    int StoredForm() const override { return m_bColourOneBlock ? 1 : 0; }
    bool m_bColourOneBlock = false;  // the file being read keeps the colour as one block
};

PROGRAM_OBJECT_DECLARE(g_SystemData, cSystemData);

// A numbered setting of the project's settings that is switched on.
inline bool IsSwitchOn(SysValue which) { return g_SystemData.Get(which) != 0; }

// Loads the settings from `path` (start-up passes "data\System.dat"); on
// failure one error report naming the file and 0.
int LoadSystemData(const char* path);
