// The sample game's common palette: its blocks, charas with their flows and
// items. Stages use the entries by index: a stage palette entry or a
// placement inherits every property group from common entry N (inherit
// source 1, index N, all flags set), so a change here reaches every stage.
#include <initializer_list>

#include "project/common_palette.h"
#include "project/database.h"
#include "project/path_table.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {
namespace {

// Flow-command kinds used here.
enum : int {
    kCmdWait = 1,
    kCmdStraight = 2,
    kCmdWalkTurn = 3,
    kCmdCircle = 4,
    kCmdCharge = 5,
    kCmdHoming = 6,
    kCmdTurn = 9,
    kCmdJump = 10,
    kCmdShot = 11,
    kCmdFlowOperation = 16,
    kCmdStageClear = 17,
    kCmdGameWait = 18,
    kCmdMessage = 19,
    kCmdStatus = 22,
    kCmdScrEffect = 31,
    kCmdPicture = 32,
    kCmdSound = 35,
};
// Item-command kind k >= 2 is flow kind k + 15.
constexpr int ItemKind(int flowKind) { return flowKind - 15; }

// Flow triggers.
enum : int { kTrigAlways = 0, kTrigDeath = 5, kTrigTouchChara = 6 };

// Shot movement kinds.
enum : int { kShotStraight = 0, kShotAimHero = 1, kShotHomingHero = 4 };

// Directions of moves and shots: 0 the facing, 2 left, 3 right.
enum : int { kDirFacing = 0, kDirLeft = 2, kDirRight = 3 };

// Factions: the hero's side and the enemies'.
constexpr int kHeroSide = 0;
constexpr int kEnemySide = 1;

cFlowCmd Command(int kind, int tenths = 0, std::initializer_list<std::pair<int, int>> params = {}) {
    cFlowCmd cmd;
    cmd.SetDefault();
    cmd.m_cCategory = 0;
    cmd.m_cKind = static_cast<int8_t>(kind);
    cmd.m_sTime = static_cast<int16_t>(tenths);
    cmd.Normalize();
    for (auto [index, value] : params)
        if (index < cmd.m_vParam.Size()) cmd.m_vParam[index] = value;
    return cmd;
}

cFlowCmd Move(int kind, int tenths, int dir, int speedTenths) {
    cFlowCmd cmd = Command(kind, tenths);
    MakeEdMove(cmd.m_pMove);
    cmd.m_pMove->m_cMoveBy = 0;
    cmd.m_pMove->m_cDirCode = static_cast<int8_t>(dir);
    cmd.m_pMove->m_sSpeed = static_cast<int16_t>(speedTenths);
    return cmd;
}

struct ShotSpec {
    int chip;
    int faction;
    int moveKind = kShotStraight;
    int dir = kDirFacing;
    int speed = 60;       // tenths of a dot per frame
    int power = 1;
    int count = 1;
    int formation = 0;
    int spread = 0;       // spread formation: degrees
    int lifetime = 0;     // tenths of a second, 0 none
    int rangeHalfBlocks = 24;
    int sound = 0;
};

cFlowCmd Shot(const ShotSpec& s) {
    cFlowCmd cmd = Command(kCmdShot);
    MakeEdShot(cmd.m_pShot);
    cEdShot& p = *cmd.m_pShot;
    p.m_cCount = static_cast<int8_t>(s.count);
    p.m_cFormation = static_cast<int8_t>(s.formation);
    if (s.formation == 2) p.m_sFormParam[0] = static_cast<int16_t>(s.spread);
    p.m_cDirCode = static_cast<int8_t>(s.dir);
    p.m_sGraphic = static_cast<int16_t>(s.chip);
    p.m_cUserGroup = 0;
    p.m_cFaction = static_cast<int8_t>(s.faction);
    p.m_cMoveKind = static_cast<int8_t>(s.moveKind);
    if (s.moveKind == kShotHomingHero) p.m_sMoveParam[1] = 999;  // homes all the way
    p.m_sSpeed = static_cast<int16_t>(s.speed);
    p.m_cRangeOn = s.rangeHalfBlocks > 0;
    p.m_sRange = static_cast<int16_t>(s.rangeHalfBlocks);
    p.m_cLifetimeOn = s.lifetime > 0;
    p.m_sLifetime = static_cast<int16_t>(s.lifetime);
    p.m_nPower = s.power;
    p.m_sEffect = kEffectSpark;
    cmd.m_sSound = static_cast<int16_t>(s.sound);
    return cmd;
}

cFlow Flow(const char* name, int trigger, std::initializer_list<cFlowCmd> cmds) {
    cFlow flow;
    flow.m_strName = name;
    flow.m_cTrigger = static_cast<int8_t>(trigger);
    for (const cFlowCmd& c : cmds) flow.m_vCmd.push_back(c);
    return flow;
}

// A condition on common variable `index`.
cCondition VarCond(int index, int op, int value) {
    cCondition c;
    c.m_cKind = 1;
    c.m_sVarIndex = static_cast<int16_t>(index);
    c.m_cOperator = static_cast<int8_t>(op);
    c.m_nValue = value;
    return c;
}

// Button n (1..8) held.
cKeyCond ButtonHeld(int button) {
    cKeyCond k;
    k.SetDefault();
    k.m_vKey[10 + button] = 1;
    k.m_cAnyHold = 1;  // held for any time
    return k;
}

// Direction sequence n held: 1 left, 2 right.
cKeyCond DirHeld(int dir) {
    cKeyCond k;
    k.SetDefault();
    k.m_vKey[dir] = 1;
    k.m_cAnyHold = 1;
    return k;
}

// The shot power lives in common variable 1.
constexpr int kPowerVar = 1;

// Status operation on the system object (score, lives) or a common
// variable: p0 left kind, p1 variable source, p2 index, p3 object, p4 item,
// p5 operator, p6 operand kind (0 constant), p7 constant.
cFlowCmd AddToSystem(int item, int amount) {
    return Command(kCmdStatus, 0, {{0, 0}, {3, 5}, {4, item}, {5, 1}, {6, 0}, {7, amount}});
}
cFlowCmd AddToVariable(int index, int amount) {
    return Command(kCmdStatus, 0, {{0, 1}, {1, 0}, {2, index}, {5, 1}, {6, 0}, {7, amount}});
}
cFlowCmd AsItemCommand(cFlowCmd cmd) {
    cmd.m_cCategory = 1;
    cmd.m_cKind = static_cast<int8_t>(ItemKind(cmd.m_cKind));
    return cmd;
}

cPltBlock Block(const char* name, int chip, int hit) {
    cPltBlock b;
    b.SetDefault();
    b.m_strName = name;
    b.m_sChip = static_cast<int16_t>(chip);
    b.m_cSheet = 0;
    b.m_cHit = static_cast<int8_t>(hit);
    return b;
}

cCharaDef Chara(const char* name, int row, int animeSet, int hp, int score) {
    cCharaDef c;
    c.SetDefault();
    c.m_strName = name;
    c.m_sChip = static_cast<int16_t>(CharaChip(row));
    c.m_cSheetKind = 1;
    c.m_sAnimeSet = static_cast<int16_t>(animeSet);
    c.m_nMaxHP = hp;
    c.m_nScore = score;
    c.m_cSide = kEnemySide;
    c.m_cBlockClass = kEnemySide;
    c.m_nBodyPower = 1;
    c.m_sDeathEffect = kCharaEffectFadeOut;
    c.m_sDamageEffect = kEffectSpark;
    return c;
}

cPltItem Item(const char* name, int chip, int sound, std::initializer_list<cFlowCmd> cmds) {
    cPltItem item;
    item.SetDefault();
    item.m_strName = name;
    item.m_sChip = static_cast<int16_t>(chip);
    item.m_cSheet = 2;
    item.m_sSound = static_cast<int16_t>(sound);
    for (const cFlowCmd& c : cmds) item.m_vCmd.push_back(AsItemCommand(c));
    return item;
}

void AddBlocks(cCommonPalette& pal) {
    pal.m_vBlock.resize(kBlocks);
    pal.m_vBlock[kBlockGround] = Block("Ground", kChipGround, 1);
    pal.m_vBlock[kBlockEarth] = Block("Earth", kChipEarth, 1);
    pal.m_vBlock[kBlockBrick] = Block("Brick", kChipBrick, 1);
    cPltBlock itemBlock = Block("Item block", kChipItemBlock, 1);
    itemBlock.m_cItemSrc = 1;
    itemBlock.m_sItemIdx = kItemCoin;
    pal.m_vBlock[kBlockItemBlock] = itemBlock;
    pal.m_vBlock[kBlockUsedBlock] = Block("Used block", kChipUsedBlock, 1);
    pal.m_vBlock[kBlockStone] = Block("Stone", kChipStone, 1);
    cPltBlock goal = Block("Goal", kChipGoal, 0);
    goal.m_cItemSrc = 1;
    goal.m_sItemIdx = kItemClearOrb;
    pal.m_vBlock[kBlockGoal] = goal;
    pal.m_vBlock[kBlockSpike] = Block("Spikes", kChipSpike, 2);
    cPltBlock cloud = Block("Cloud", kChipCloud, 0);
    cloud.m_cFront = 0;
    pal.m_vBlock[kBlockCloud] = cloud;
}

void AddCharas(cCommonPalette& pal) {
    pal.m_vChara.resize(kCharas);

    cCharaDef hero = Chara("Hero", kRowHero, kAnimeHero, 3, 0);
    hero.m_cOperatedBy = 0;
    hero.m_cSide = kHeroSide;
    hero.m_cBlockClass = kHeroSide;
    hero.m_cFacing = 1;
    hero.m_cFixedFacing = 0;
    // Running into an enemy hurts it too: a walker goes down at one touch.
    hero.m_nBodyPower = 2;
    hero.m_sDeathEffect = kCharaEffectFlash;
    {
        // Button 1 fires; after the power item the shots are stronger.
        cFlow normal = Flow("Shot", kTrigAlways,
                            {Shot({.chip = kChipHeroShot, .faction = kHeroSide, .speed = 80, .power = 1,
                                   .rangeHalfBlocks = 20, .sound = kSoundShot}),
                             Command(kCmdWait, 2)});
        normal.m_vKeyCond.push_back(ButtonHeld(1));
        normal.m_vCond.push_back(VarCond(kPowerVar, 5, 1));
        cFlow power = Flow("Power shot", kTrigAlways,
                           {Shot({.chip = kChipHeroShotPower, .faction = kHeroSide, .speed = 90, .power = 3,
                                  .count = 3, .formation = 2, .spread = 15, .rangeHalfBlocks = 24,
                                  .sound = kSoundShot}),
                            Command(kCmdWait, 2)});
        power.m_vKeyCond.push_back(ButtonHeld(1));
        power.m_vCond.push_back(VarCond(kPowerVar, 2, 1));
        hero.m_vFlow.push_back(normal);
        hero.m_vFlow.push_back(power);
        // The arrows walk, three dots a frame; X jumps three blocks high.
        cFlow left = Flow("Walk left", kTrigAlways, {Move(kCmdStraight, 1, kDirLeft, 30)});
        left.m_vKeyCond.push_back(DirHeld(1));
        cFlow right = Flow("Walk right", kTrigAlways, {Move(kCmdStraight, 1, kDirRight, 30)});
        right.m_vKeyCond.push_back(DirHeld(2));
        left.m_cKeyHold = right.m_cKeyHold = 1;  // again and again while held
        cFlow jump = Flow("Jump", kTrigAlways, {Command(kCmdJump, 0, {{0, 0}, {1, 6}, {2, 6}, {3, 6}, {4, 6}})});
        jump.m_vKeyCond.push_back(ButtonHeld(2));
        hero.m_vFlow.push_back(left);
        hero.m_vFlow.push_back(right);
        hero.m_vFlow.push_back(jump);
        // Button 3 makes the hero wave: a step, then the jump pose held for
        // a second. Once per press.
        cFlowCmd wave = Command(kCmdWait, 10);
        wave.m_sAnime = kAnimeWave;
        cFlow greet = Flow("Wave", kTrigAlways, {Command(kCmdWait, 3), wave});
        greet.m_vKeyCond.push_back(ButtonHeld(3));
        hero.m_vFlow.push_back(greet);
    }
    pal.m_vChara[kCharaHero] = hero;

    cCharaDef walker = Chara("Walker", kRowWalker, kAnimeWalker, 2, 100);
    walker.m_sStartEffect = kCharaEffectAppear;
    walker.m_cStartEffectLoop = 0;
    walker.m_vFlow.push_back(Flow("Walk", kTrigAlways, {Move(kCmdWalkTurn, 0, kDirFacing, 10)}));
    pal.m_vChara[kCharaWalker] = walker;

    cCharaDef jumper = Chara("Jumper", kRowJumper, kAnimeJumper, 2, 150);
    // Jump parameters: the jump type, then heights in half blocks.
    jumper.m_vFlow.push_back(Flow("Hop", kTrigAlways,
                                  {Command(kCmdWait, 10),
                                   Command(kCmdJump, 3, {{0, 0}, {1, 4}, {2, 4}, {3, 4}, {4, 4}})}));
    pal.m_vChara[kCharaJumper] = jumper;

    cCharaDef shooter = Chara("Shooter", kRowShooter, kAnimeShooter, 3, 200);
    shooter.m_vFlow.push_back(
        Flow("Aim", kTrigAlways,
             {Command(kCmdWait, 15), Shot({.chip = kChipEnemyShot, .faction = kEnemySide,
                                           .moveKind = kShotAimHero, .speed = 30, .rangeHalfBlocks = 40})}));
    pal.m_vChara[kCharaShooter] = shooter;

    cCharaDef flyer = Chara("Flyer", kRowFlyer, kAnimeFlyer, 2, 300);
    flyer.m_cFlight = 1;
    flyer.m_vFlow.push_back(Flow("Drift", kTrigAlways,
                                 {Move(kCmdStraight, 20, kDirLeft, 8), Move(kCmdStraight, 20, kDirRight, 8)}));
    flyer.m_vFlow.push_back(
        Flow("Homing shot", kTrigAlways,
             {Command(kCmdWait, 30), Shot({.chip = kChipHomingShot, .faction = kEnemySide,
                                           .moveKind = kShotHomingHero, .speed = 20, .lifetime = 60,
                                           .rangeHalfBlocks = 0})}));
    pal.m_vChara[kCharaFlyer] = flyer;

    cCharaDef platform = Chara("Platform", kRowPlatform, kAnimePlatform, 1, 0);
    platform.m_cBlockChara = 1;
    platform.m_cFlight = 2;
    platform.m_cInvincible = 2;
    platform.m_nBodyPower = 0;
    platform.m_cActivityRange = 3;
    platform.m_vFlow.push_back(Flow("Back and forth", kTrigAlways,
                                    {Move(kCmdStraight, 30, kDirRight, 10), Move(kCmdStraight, 30, kDirLeft, 10)}));
    pal.m_vChara[kCharaPlatform] = platform;

    cCharaDef boss = Chara("Boss", kRowBoss, kAnimeBoss, 40, 5000);
    boss.m_cGiantScale = 2;
    boss.m_nBodyPower = 2;
    boss.m_nDefence = 0;
    boss.m_vFlow.push_back(
        Flow("Pattern", kTrigAlways,
             {Move(kCmdHoming, 20, kDirFacing, 12),
              Shot({.chip = kChipBossShot, .faction = kEnemySide, .moveKind = kShotAimHero, .speed = 35,
                    .count = 5, .formation = 2, .spread = 60, .rangeHalfBlocks = 40}),
              Command(kCmdWait, 10),
              Command(kCmdJump, 3, {{0, 0}, {1, 6}, {2, 6}, {3, 6}, {4, 6}}),
              Command(kCmdWait, 10)}));
    boss.m_vFlow.push_back(Flow("Defeated", kTrigDeath,
                                {Command(kCmdScrEffect, 0, {{0, kScrEffectShake}}),
                                 Command(kCmdSound, 0, {{0, kSoundExplosion}}),
                                 Command(kCmdStageClear, 0, {{1, 1}})}));
    pal.m_vChara[kCharaBoss] = boss;

    cCharaDef sign = Chara("Signpost", kRowSign, 0, 1, 0);
    sign.m_cInvincible = 2;
    sign.m_nBodyPower = 0;
    sign.m_cSide = kHeroSide;
    {
        // Read once: the message holds the game until the decide button,
        // the game stays still for half a second more, then the sign's flow
        // ends for good.
        cFlowCmd message = Command(kCmdMessage, 0, {{1, 320}, {2, 120}, {8, 1}, {14, 1}});
        message.m_strText = "この先に城がある。\n下のボタンで進め！";
        sign.m_vFlow.push_back(Flow("Read", kTrigTouchChara,
                                    {message, Command(kCmdGameWait, 0, {{0, 5}}),
                                     Command(kCmdPicture, 30, {{0, kPictureSign}, {2, 320}, {3, 200}, {7, 100}}),
                                     Command(kCmdScrEffect, 0, {{0, kScrEffectWave}}),
                                     Command(kCmdFlowOperation, 0, {{0, 5}})}));
    }
    pal.m_vChara[kCharaSign] = sign;

    // Circles two half blocks around where it was placed, once in two
    // seconds.
    cCharaDef bat = Chara("Bat", kRowFlyer, kAnimeFlyer, 1, 100);
    bat.m_cFlight = 1;
    {
        cFlowCmd circle = Move(kCmdCircle, 20, 0, 0);
        circle.m_pMove->m_sExtra = 2;       // radius, half blocks
        circle.m_pMove->m_sAngle = 0;       // from angle 0
        circle.m_pMove->m_sDistance = 360;  // all the way round
        bat.m_vFlow.push_back(Flow("Circle", kTrigAlways, {circle}));
    }
    pal.m_vChara[kCharaBat] = bat;

    // Turns to face the hero (target 1), waits, then charges at it.
    cCharaDef charger = Chara("Charger", kRowJumper, kAnimeJumper, 2, 150);
    charger.m_cFixedFacing = 1;
    {
        cFlowCmd charge = Move(kCmdCharge, 10, kDirFacing, 40);
        charge.m_pMove->m_cTarget = 0;
        charger.m_vFlow.push_back(Flow("Charge", kTrigAlways,
                                       {Command(kCmdTurn, 0, {{0, 2}}), Command(kCmdWait, 10), charge,
                                        Command(kCmdWait, 10)}));
    }
    pal.m_vChara[kCharaCharger] = charger;
}

void AddItems(cCommonPalette& pal) {
    pal.m_vItem.resize(kItems);
    pal.m_vItem[kItemCoin] = Item("Coin", kChipCoin, kSoundItem, {AddToSystem(3, 100)});
    pal.m_vItem[kItemLife] = Item("Extra life", kChipLife, kSoundLife, {AddToSystem(4, 1)});
    pal.m_vItem[kItemPower] = Item("Power", kChipPower, kSoundPower, {AddToVariable(kPowerVar, 1)});
    // HP of the hero who takes it: status item 1 of the chara itself.
    pal.m_vItem[kItemHeart] =
        Item("Heart", kChipHeart, kSoundItem, {Command(kCmdStatus, 0, {{0, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 0}, {7, 1}})});
    pal.m_vItem[kItemClearOrb] = Item("Clear orb", kChipClearOrb, kSoundClear, {Command(kCmdStageClear, 0, {{1, 1}})});
}

}  // namespace

void FillCommonPalette(cCommonPalette& pal) {
    AddBlocks(pal);
    AddCharas(pal);
    AddItems(pal);
}

bool WriteCommonPalette(const std::string& root, std::string* error) {
    // Definitions keep their database references only inside the loaded
    // database, so the game's own database is loaded first.
    if (!LoadSampleDatabase(root, error)) return false;
    // Palette references are checked against the live common palette, so
    // the palette is built in place.
    FillCommonPalette(g_CommonPalette);
    return SaveRecord(g_CommonPalette, GamePath(root, g_PathTable[kPathCommonPalette + 1]), error);
}

}  // namespace sample
