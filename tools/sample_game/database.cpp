// The sample game's ten database files, and the pictures only they name:
// the effect strips and the signpost picture.
#include <string>

#include "project/anime.h"
#include "project/database.h"
#include "project/path_table.h"
#include "tools/sample_game/canvas.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {
namespace {

cAnimeData Anime(const char* name, std::initializer_list<std::pair<int, int>> frames) {
    cAnimeData anime;
    anime.m_strName = name;
    anime.m_vFrame.clear();
    for (auto [chip, tenths] : frames) {
        cAnimeFrameData f;
        f.m_nChip = chip;
        f.m_nTime = tenths;
        anime.m_vFrame.push_back(f);
    }
    return anime;
}

// Frames are counted from the chara's first chip: 0 stand, 1 and 2 walk,
// 3 jump or fly; the lit and block versions lie 4 and 8 further on.
cAnimeSetData AnimeSet(const char* name, bool flies) {
    cAnimeSetData set;
    set.SetDefault();
    set.m_strName = name;
    set.m_nInvincibleChip = 4;
    set.m_nBlockChip = 8;
    set.m_nFlightChip = 0;
    set.m_vAnime.clear();
    set.m_vAnime.push_back(flies ? Anime("stand", {{3, 2}, {0, 2}}) : Anime("stand", {{0, 10}}));
    set.m_vAnime.push_back(Anime("walk", {{1, 2}, {2, 2}}));
    set.m_vAnime.push_back(Anime("fly", {{3, 2}, {0, 2}}));
    set.m_vAnime.push_back(Anime("fly move", {{3, 1}, {0, 1}}));
    return set;
}

struct StripSpec {
    const char* name;
    const char* file;
    int frames;
    uint8_t inner, outer;
};
constexpr StripSpec kStrips[kEffects] = {
    {"", "", 0, 0, 0},
    {"Explosion", "bmp\\effect\\Explosion.bmp", 6, 250, Cube(5, 2, 0)},
    {"Spark", "bmp\\effect\\Spark.bmp", 4, kWhite, Cube(5, 5, 0)},
    {"Sparkle", "bmp\\effect\\Sparkle.bmp", 4, kWhite, Cube(2, 4, 5)},
};

// Frame k of a 32x32 strip: a ring growing and fading out.
Canvas Strip(const StripSpec& s) {
    Canvas c(32 * s.frames, 32);
    for (int k = 0; k < s.frames; ++k) {
        int cx = 32 * k + 16, r = 3 + k * 12 / s.frames;
        if (k < s.frames - 1) c.Disc(cx, 16, r, s.inner);
        c.Ring(cx, 16, r + 2, s.outer);
        for (int ray = 0; ray < 4; ++ray) {
            int dx = (ray % 2 ? 1 : -1) * (r + 4), dy = (ray / 2 ? 1 : -1) * (r + 4);
            c.Set(cx + dx, 16 + dy, s.outer);
        }
    }
    return c;
}

Canvas SignPicture() {
    Canvas c(160, 96);
    c.Fill(0, 0, 160, 96, Cube(3, 2, 1));
    c.Frame(0, 0, 160, 96, Cube(1, 1, 0));
    c.Frame(3, 3, 154, 90, Cube(4, 3, 1));
    c.Text(16, 14, "CASTLE", kBlack, 2);
    c.Line(20, 60, 130, 60, kBlack);
    c.Line(130, 60, 120, 52, kBlack);
    c.Line(130, 60, 120, 68, kBlack);
    c.Text(40, 74, "EAST", kBlack, 1);
    return c;
}

}  // namespace

bool WriteDatabase(const std::string& root, std::string* error) {
    cDatabase& db = g_Database;
    db.SetDefault();

    const struct {
        const char* name;
        bool flies;
    } sets[] = {{"", false},       {"Hero", false},     {"Walker", false}, {"Jumper", false},
                {"Shooter", false}, {"Flyer", true},    {"Platform", true}, {"Boss", false}};
    static_assert(sizeof(sets) / sizeof(sets[0]) == kAnimeSets);
    db.m_vAnimeSet.resize(kAnimeSets);
    for (int i = 1; i < kAnimeSets; ++i) db.m_vAnimeSet[static_cast<size_t>(i)] = AnimeSet(sets[i].name, sets[i].flies);
    // The platform cannot be hurt, yet shows as plain stone rather than lit:
    // the block version and the lit one would add up past the sheet's end.
    db.m_vAnimeSet[kAnimePlatform].m_nInvincibleChip = 0;
    db.m_vAnime.resize(kAnimes);
    db.m_vAnime[kAnimeCheer] = Anime("Cheer", {{3, 2}, {0, 2}, {3, 2}, {0, 4}});
    // A step, then the jump pose held for as long as the command that runs
    // it: the held frame is the first that may not be interrupted.
    cAnimeData wave = Anime("Wave", {{1, 2}, {3, 2}});
    wave.m_vFrame[1].m_nNoInterrupt = 1;
    db.m_vAnime[kAnimeWave] = wave;

    db.m_vEffect.resize(kEffects);
    for (int i = 1; i < kEffects; ++i) {
        const StripSpec& s = kStrips[i];
        cEffectData e;
        e.SetDefault();
        e.m_strName = s.name;
        e.m_strFile = s.file;
        e.m_vFrame.clear();
        for (int k = 0; k < s.frames; ++k) {
            cIntPair f;
            f.m_nFirst = k;
            f.m_nSecond = 1;
            e.m_vFrame.push_back(f);
        }
        db.m_vEffect[static_cast<size_t>(i)] = e;
        if (!WriteBmp8(GamePath(root, s.file), Strip(s), error)) return false;
    }

    db.m_vCharaEffect.resize(kCharaEffects);
    db.m_vCharaEffect[kCharaEffectFlash].m_strName = "Flash";
    db.m_vCharaEffect[kCharaEffectFlash].m_nKind = kCharaFxBlink;
    db.m_vCharaEffect[kCharaEffectFlash].m_nParam[0] = 10;
    db.m_vCharaEffect[kCharaEffectFlash].m_nParam[1] = 2;
    db.m_vCharaEffect[kCharaEffectFadeOut].m_strName = "Burst";
    db.m_vCharaEffect[kCharaEffectFadeOut].m_nKind = kCharaFxBurst;
    db.m_vCharaEffect[kCharaEffectFadeOut].m_nParam[0] = 5;
    db.m_vCharaEffect[kCharaEffectFadeOut].m_nParam[2] = 32;
    // Walkers grow from a point to their size in one second as a stage starts.
    db.m_vCharaEffect[kCharaEffectAppear].m_strName = "Appear";
    db.m_vCharaEffect[kCharaEffectAppear].m_nKind = kCharaFxZoom;
    db.m_vCharaEffect[kCharaEffectAppear].m_nParam[0] = 10;
    db.m_vCharaEffect[kCharaEffectAppear].m_nParam[2] = 32;

    db.m_vScrEffect.resize(kScrEffects);
    db.m_vScrEffect[kScrEffectShake].m_strName = "Shake";
    db.m_vScrEffect[kScrEffectShake].m_nKind = kScrFxShakeH;
    db.m_vScrEffect[kScrEffectShake].m_nParam[0] = 10;
    db.m_vScrEffect[kScrEffectShake].m_nParam[1] = 6;
    db.m_vScrEffect[kScrEffectShake].m_nParam[2] = 6;
    db.m_vScrEffect[kScrEffectWave].m_strName = "Wave";
    db.m_vScrEffect[kScrEffectWave].m_nKind = kScrFxWaveH;
    db.m_vScrEffect[kScrEffectWave].m_nParam[0] = 20;
    db.m_vScrEffect[kScrEffectWave].m_nParam[1] = 16;
    db.m_vScrEffect[kScrEffectWave].m_nParam[2] = 0;
    db.m_vScrEffect[kScrEffectWave].m_nParam[3] = 4;
    db.m_vScrEffect[kScrEffectWave].m_nParam[4] = 8;

    db.m_vPicture.resize(kPictures);
    db.m_vPicture[kPictureSign].m_strName = "Signpost";
    db.m_vPicture[kPictureSign].m_strFile = "bmp\\picture\\Sign.bmp";
    if (!WriteBmp8(GamePath(root, "bmp\\picture\\Sign.bmp"), SignPicture(), error)) return false;

    const char* soundNames[kSounds] = {"",      "Jump",  "Shot",     "Hit",   "Defeat",   "Item",
                                       "Life",  "Power", "Boss hit", "Clear", "Explosion"};
    db.m_vSound.resize(kSounds);
    for (int i = 1; i < kSounds; ++i) {
        db.m_vSound[static_cast<size_t>(i)].m_strName = soundNames[i];
        db.m_vSound[static_cast<size_t>(i)].m_strFile = kEffectSoundFiles[i];
    }

    const struct {
        const char* name;
        const char* file;
        int volume;
    } tracks[kBgms] = {{"", "", 100},
                       {"Title", kMidiFile, 100},
                       {"Stage", kOggFile, 90},
                       {"World map", kMidiFile, 80},
                       {"Boss", kOggFile, 100}};
    db.m_vBgm.resize(kBgms);
    for (int i = 1; i < kBgms; ++i) {
        db.m_vBgm[static_cast<size_t>(i)].m_strName = tracks[i].name;
        db.m_vBgm[static_cast<size_t>(i)].m_strFile = tracks[i].file;
        db.m_vBgm[static_cast<size_t>(i)].m_nVolume = tracks[i].volume;
    }

    struct File {
        int path;  // the project path; its shipped copy follows it in the table
        bool (*write)(cDatabase&, DataFile*);
    };
    const File files[] = {
        {kPathAnimeSet, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vAnimeSet, f); }},
        {kPathAnime, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vAnime, f); }},
        {kPathBmpCharaExc, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vBmpCharaExc, f); }},
        {kPathSwordType, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vSwordType, f); }},
        {kPathEffect, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vEffect, f); }},
        {kPathCharaEffect, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vCharaEffect, f); }},
        {kPathScrEffect, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vScrEffect, f); }},
        {kPathPicture, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vPicture, f); }},
        {kPathSound, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vSound, f); }},
        {kPathBgm, [](cDatabase& d, DataFile* f) { return WriteRecords(d.m_vBgm, f); }},
    };
    for (const File& file : files) {
        std::string path = GamePath(root, g_PathTable[file.path + 1]);
        if (!MakeParentFolders(path)) {
            if (error) *error = "cannot make the folders of " + path;
            return false;
        }
        DataFile* out = CreateDataFile(path.c_str());
        bool ok = out && file.write(db, out);
        if (out && !ok) out->Abandon();
        if (!CloseDataFile(out) || !ok) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

}  // namespace sample
