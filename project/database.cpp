#include "project/database.h"

#include "core/report_log.h"
#include "project/path_table.h"

namespace {

// Sword-type files before this version could hold more entries than the
// program then used; the surplus was never meant to be read.
constexpr int kSwordTypeLimitUntil = 828;
constexpr int kOldSwordTypeMax = 128;

// The closing step: entry 0 loops forever and cannot be interrupted, every
// other entry ends on kPatEnd.
FRAMEPAT EndStep(size_t entry) { return entry == 0 ? FRAMEPAT{kPatRepeat, 0, 1} : FRAMEPAT{kPatEnd, 0, 0}; }

// One list of the database from its file; a failure is reported by name.
template <class R>
bool LoadList(cVector<R>& list, int pathIndex) {
    const char* path = g_PathTable[pathIndex];
    if (LoadDatabaseFile(list, path)) return true;
    ShowDataLoadError(path);
    return false;
}

}  // namespace

cDatabase::cDatabase() { SetDefault(); }

void cDatabase::RegisterFields(int) { RegisterNoFields(); }

void cDatabase::SetDefault() {
    Clear();
    m_vAnimeSet.assign(1, cAnimeSetData());
    m_vAnime.assign(2, cAnimeData());
    m_vAnime[0].m_strName = "なし";
    m_vAnime[1].m_strName = "アクションA";
    m_vBmpCharaExc.assign(2, cBmpCharaExcData());
    m_vSwordType.assign(1, cSwordTypeData());
    m_vEffect.assign(2, cEffectData());
    m_vCharaEffect.assign(2, cCharaEffectData());
    m_vScrEffect.assign(2, cScrEffectData());
    m_vPicture.assign(2, cPictureData());
    m_vSound.assign(2, cSoundData());
    m_vBgm.assign(2, cBgmData());
}

int cDatabase::LoadAll() {
    if (!LoadList(m_vAnimeSet, kPathAnimeSet)) return 0;
    if (!LoadList(m_vAnime, kPathAnime)) return 0;
    if (!LoadList(m_vBmpCharaExc, kPathBmpCharaExc)) return 0;
    if (!LoadList(m_vSwordType, kPathSwordType)) return 0;
    // g_FileVersion still holds the sword-type file's version word.
    if (g_FileVersion < kSwordTypeLimitUntil && m_vSwordType.Size() > kOldSwordTypeMax)
        m_vSwordType.erase(m_vSwordType.begin() + kOldSwordTypeMax, m_vSwordType.end());
    if (!LoadList(m_vEffect, kPathEffect)) return 0;
    if (!LoadList(m_vCharaEffect, kPathCharaEffect)) return 0;
    if (!LoadList(m_vScrEffect, kPathScrEffect)) return 0;
    if (!LoadList(m_vPicture, kPathPicture)) return 0;
    if (!LoadList(m_vSound, kPathSound)) return 0;
    if (!LoadList(m_vBgm, kPathBgm)) return 0;
    ResetNoneEffects();
    return 1;
}

void cDatabase::ResetNoneEffects() {
    m_vCharaEffect.At(0).m_nKind = kCharaFxNone;
    m_vScrEffect.At(0).m_nKind = kScrFxNone;
}

void ShowDataLoadError(const char* name) {
    if (g_FileTooNew == 1)
        ReportError("%s の読み込みに失敗しました！\n実行ファイル(.exe)より上位のバージョンのファイルは使用できません。", name);
    else
        ReportError("%s の読み込みに失敗しました！", name);
}

void BuildAnimePatterns(FramePatternList& patterns) {
    const cVector<cAnimeData>& animes = g_Database.m_vAnime;
    patterns.clear();
    patterns.resize(animes.size());
    for (size_t i = 0; i < animes.size(); ++i) {
        cVector<FRAMEPAT>& steps = patterns[i];
        steps.reserve(animes[i].m_vFrame.size() + 1);
        int32_t busy = 0;
        for (const cAnimeFrameData& frame : animes[i].m_vFrame) {
            if (i == 0) {
                steps.push_back({ChipFrame(frame.m_nChip), 0, 1});
                continue;
            }
            // From the first frame that may not be interrupted to the end.
            if (frame.m_nNoInterrupt != 0) busy = 1;
            steps.push_back({ChipFrame(frame.m_nChip), TenthsToTicks(frame.m_nTime), busy});
        }
        steps.push_back(EndStep(i));
    }
}

void BuildEffectPatterns(FramePatternList& patterns) {
    const cVector<cEffectData>& effects = g_Database.m_vEffect;
    patterns.clear();
    patterns.resize(effects.size());
    for (size_t i = 0; i < effects.size(); ++i) {
        cVector<FRAMEPAT>& steps = patterns[i];
        steps.reserve(effects[i].m_vFrame.size() + 1);
        for (const cIntPair& frame : effects[i].m_vFrame) {
            if (i == 0)
                steps.push_back({ChipFrame(frame.m_nFirst), 0, 1});
            else
                steps.push_back({ChipFrame(frame.m_nFirst), TenthsToTicks(frame.m_nSecond), 0});
        }
        steps.push_back(EndStep(i));
    }
}

int SetupDatabase() {
    if (!g_Database.LoadAll()) {
        ReportError("%s", "データベースの読み込みに失敗…");
        return 0;
    }
    g_Database.m_vCharaEffectRev = g_Database.m_vCharaEffect;
    g_Database.m_vScrEffectRev = g_Database.m_vScrEffect;
    BuildAnimePatterns(g_AnimePatterns);
    BuildEffectPatterns(g_EffectPatterns);
    return 1;
}
