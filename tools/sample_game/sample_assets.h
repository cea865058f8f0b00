// The numbering that the sample game's files share: which chip of which
// sheet shows what, which database entry is which, and the file names that
// one writer draws or synthesises and another names in a record. Change a
// number here and every file follows.
#pragma once
#include <cstdint>

namespace sample {

// ---- Palette: every bitmap is 8-bit in this one palette ----
// Entry 0 is the transparent colour; no other entry has its RGB.
constexpr uint8_t kKeyR = 255, kKeyG = 0, kKeyB = 255;
// Entries 16..231 are a 6x6x6 colour cube (levels 0, 51, ... 255):
// index 16 + 36 r + 6 g + b.
constexpr uint8_t Cube(int r, int g, int b) { return uint8_t(16 + 36 * r + 6 * g + b); }
// Entries 232..239: greys from dark to light (232 + n, n = 0..7).
constexpr uint8_t Grey(int n) { return uint8_t(232 + n); }
constexpr uint8_t kKey = 0;
constexpr uint8_t kBlack = Cube(0, 0, 0);
constexpr uint8_t kWhite = Cube(5, 5, 5);
// The font rows draw their frame in 240 and their text in 241.
constexpr uint8_t kFontFrame = 240;  // dark blue-black
constexpr uint8_t kFontText = 241;   // white

// ---- Chip sheets: 32x32 chips, 15 to a column, chip n at
// x = (n / 15) * 32, y = (n % 15) * 32 ----
constexpr int kChip = 32;
constexpr int kChipsPerColumn = 15;

// bmp\Character1.bmp: one row per chara kind, facing left; a chara's chip
// is its row, and its anime frames run across the row: 0 stand, 1 walk A,
// 2 walk B, 3 jump/fly, 4..7 the same four lit (invincible), 8..11 the
// same four as a block chara.
enum CharaRow : int {
    kRowHero = 1,
    kRowWalker = 2,   // walks, turns at walls
    kRowJumper = 3,   // hops
    kRowShooter = 4,  // shoots at the hero
    kRowFlyer = 5,    // flies, fires homing shots
    kRowPlatform = 6, // moving platform (a block chara)
    kRowBoss = 7,     // drawn at giant scale 2
    kRowSign = 8,     // a signpost that shows a message and a picture
    kCharaRows = 9,
};
constexpr int kCharaFrames = 12;
constexpr int CharaChip(int row) { return row; }

// bmp\Block.bmp chips (chip 0 is no block).
enum BlockChip : int {
    kChipGround = 1,    // grass-topped earth
    kChipEarth = 2,
    kChipBrick = 3,
    kChipItemBlock = 4, // "?" block that gives an item
    kChipUsedBlock = 5, // after it gave its item
    kChipStone = 6,     // castle wall
    kChipGoal = 7,      // stage-clear block
    kChipSpike = 8,
    kChipCloud = 9,     // decoration, passable
    kBlockChips = 10,
};

// bmp\Item.bmp chips (chip 0 is no item).
enum ItemChip : int {
    kChipCoin = 1,      // score
    kChipLife = 2,      // extra life
    kChipPower = 3,     // power (stronger shot)
    kChipHeart = 4,     // restores HP
    kChipClearOrb = 5,  // clears the stage
    kItemChips = 6,
};

// bmp\Shot.bmp chips (chip 0 is none).
enum ShotChip : int {
    kChipHeroShot = 1,
    kChipHeroShotPower = 2,
    kChipEnemyShot = 3,
    kChipHomingShot = 4,
    kChipBossShot = 5,
    kShotChips = 6,
};

// bmp\WorldMapChip.bmp: 32x32 tiles, 5 to a row, tile c at
// ((c % 5) * 32, (c / 5) * 32).
enum WorldChip : int {
    kWorldChipGrass = 0,
    kWorldChipRoad = 1,
    kWorldChipWater = 2,
    kWorldChipTree = 3,
    kWorldChipCastle = 4,
    kWorldChips = 5,
};

// ---- Databases (entry 0 is always the default "none" entry) ----
enum AnimeSetNo : int {
    kAnimeHero = 1, kAnimeWalker, kAnimeJumper, kAnimeShooter, kAnimeFlyer,
    kAnimePlatform, kAnimeBoss, kAnimeSets,
};
// Anime database entries (animes that commands run).
enum AnimeNo : int { kAnimeCheer = 1, kAnimeWave, kAnimes };
// Effect database entries (strips drawn by the database writer).
enum EffectNo : int { kEffectExplosion = 1, kEffectSpark, kEffectSparkle, kEffects };
// CharaEffect entries.
enum CharaEffectNo : int { kCharaEffectFlash = 1, kCharaEffectFadeOut, kCharaEffectAppear, kCharaEffects };
// ScrEffect entries.
enum ScrEffectNo : int { kScrEffectShake = 1, kScrEffectWave, kScrEffects };
// Picture entries.
enum PictureNo : int { kPictureSign = 1, kPictures };
// Sound entries (effects); each plays kEffectSoundFiles[n].
enum SoundNo : int {
    kSoundJump = 1, kSoundShot, kSoundHit, kSoundDefeat, kSoundItem,
    kSoundLife, kSoundPower, kSoundBossHit, kSoundClear, kSoundExplosion, kSounds,
};
// Bgm entries: 1 title (MIDI), 2 stage (OGG), 3 world map (MIDI), 4 boss (OGG).
enum BgmNo : int { kBgmTitle = 1, kBgmStage, kBgmMap, kBgmBoss, kBgms };

// ---- Sound files (written by the sound writer) ----
constexpr int kSystemSounds = 17;
// System sound i (cursor, decide, cancel, refused, pause, saved, ...).
extern const char* const kSystemSoundFiles[kSystemSounds];
// Index by SoundNo; entry 0 is unused ("").
extern const char* const kEffectSoundFiles[kSounds];
constexpr const char* kMidiFile = "bgm\\Title.mid";
constexpr const char* kOggFile = "bgm\\Stage.ogg";

// ---- Common palette (written by the palette writer) ----
// Block list entries (entry 0 is the empty cell).
enum BlockNo : int {
    kBlockGround = 1, kBlockEarth, kBlockBrick, kBlockItemBlock, kBlockUsedBlock,
    kBlockStone, kBlockGoal, kBlockSpike, kBlockCloud, kBlocks,
};
// Chara list entries (entry 0 is reset by every read: unused).
enum CharaNo : int {
    kCharaHero = 1, kCharaWalker, kCharaJumper, kCharaShooter, kCharaFlyer,
    kCharaPlatform, kCharaBoss, kCharaSign, kCharaBat, kCharaCharger, kCharas,
};
// Item list entries (entry 0 unused by placements).
enum ItemNo : int { kItemCoin = 1, kItemLife, kItemPower, kItemHeart, kItemClearOrb, kItems };

// ---- Stages (written by the stage writer) ----
constexpr int kStages = 4;  // three story stages and the heavy one
// File names inside default\stg4\ (program form).
extern const char* const kStageFiles[kStages];
constexpr int kHeavyStage = 3;

}  // namespace sample
