// Block, chara and item definitions written byte by byte from their stored
// layouts, every member given and the defaults those of a new entry. Shared
// by the tests of the definitions, of the common palette and of the stage.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "project/database_fixtures.h"

namespace palfix {

using namespace dbfix;

inline std::string B8(int v) { return I8(static_cast<int8_t>(v)); }
inline std::string B16(int v) { return I16(static_cast<int16_t>(v)); }

// The inherit flags: int32 count, one byte each.
inline std::string Flags(const std::vector<int8_t>& flags) {
    std::string out = I32(static_cast<int32_t>(flags.size()));
    for (int8_t f : flags) out += I8(f);
    return out;
}

// A variable condition in the current layout.
inline std::string VarCondition(int32_t value) {
    return Record({I8(1), I32(value), I32(0), I32(0), I8(0), I8(0), I8(0), I8(0), I16(3), I8(0), I8(0), I8(0), I8(0),
                   I16(0), I8(2), I8(0), I8(0), I8(0), I8(0), I8(0), I8(0)},
                  {});
}

// Every stored member of a block, as the file holds it.
struct Blk {
    int src = 0, idx = 0, condMode = 0, keepMet = 0, chip = 0, sheet = 0, sub = 0, front = 0, hidden = 0,
        iconMode = 0, icon = 0, hit = 1, pass = 255, stand = 0, value = 0, itemSrc = 0, itemIdx = 0, proof = 0;
    std::string name = {};
    int col = 0, row = 0;
    std::vector<int8_t> flags = std::vector<int8_t>(11, 0);
    std::vector<std::string> conds = {};
};

inline std::string BlockBytes(const Blk& b) {
    return Record({B8(b.src), B16(b.idx), B8(b.condMode), B8(b.keepMet), B16(b.chip), B8(b.sheet), B16(b.sub),
                   B8(b.front), B8(b.hidden), B8(b.iconMode), B16(b.icon), B8(b.hit), B8(b.pass), B8(b.stand),
                   I32(b.value), B8(b.itemSrc), B16(b.itemIdx), B8(b.proof)},
                  {b.name}) +
           B16(b.col) + B16(b.row) + Flags(b.flags) + Counted(b.conds);
}

// Every stored member of an item, as the file holds it.
struct Itm {
    int src = 0, idx = 0, condMode = 0, keepMet = 0, offX = 0, offY = 0, chip = 0, sheet = 2, sub = 0, layer = 6,
        hidden = 0, iconMode = 0, icon = 0, popup = 1, take = 0, giant = 1, sound = 0;
    std::string name = {};
    int col = 0, row = 0;
    std::vector<int8_t> flags = std::vector<int8_t>(13, 0);
    std::vector<std::string> conds = {}, cmds = {};
};

inline std::string ItemBytes(const Itm& t) {
    return Record({B8(t.src), B16(t.idx), B8(t.condMode), B8(t.keepMet), B16(t.offX), B16(t.offY), B16(t.chip),
                   B8(t.sheet), B16(t.sub), B8(t.layer), B8(t.hidden), B8(t.iconMode), B16(t.icon), B8(t.popup),
                   B8(t.take), B8(t.giant), B16(t.sound)},
                  {t.name}) +
           B16(t.col) + B16(t.row) + Flags(t.flags) + Counted(t.conds) + Counted(t.cmds);
}

// Every stored value of a chara definition, defaults as a new entry has
// them, and its tail.
struct Chara {
    int src = 0, idx = 0;
    std::string name = {};
    int condMode = 0, keepMet = 0, facing = 0, copies = 0, offX = 0, stepX = 0, offY = 0, stepY = 0, mirX = 0,
        mirY = 0, chip = 0, sheet = 1, chipRow = 0, animeSet = 0, layer = 3, transparent = 0, startFx = 0,
        startMode = 0, startLoop = 1, deathFx = 0, deathMode = 0, emblemShown = 0, emblem = 0, operatedBy = 1,
        playerNo = 0, blockClass = 1, side = 0, flight = 0, fixedFacing = 1, invincible = 0, invColor = 0,
        blockChara = 0, giant = 1, scrollSync = 0, sightShape = 0, sightRange = 0;
    int32_t hp = 10, sp = 0;
    int stopEase = 10, mapBox = 0;
    int32_t bodyPower = 0;
    int bodyImpact = 0, damageFx = 0;
    int32_t defence = 0;
    int impactResist = 0;
    int32_t score = 0;
    int reserved = 1, flagAppear = 0, flagNo = 0, activity = 0, activation = 0;
    int col = 0, row = 0;
    int32_t carry = 0;
    std::vector<int8_t> flags = std::vector<int8_t>(37, 0);
    std::vector<std::string> conds = {}, flows = {};
};

// A chara as a file of version v stores it: the record, whose gated fields
// older files lack, then position, carried item, flags, conditions, flows.
inline std::string CharaBytes(int v, const Chara& c) {
    const std::string out = Record(Blocks(v, {{kAlways, B8(c.src)},          {kAlways, B16(c.idx)},
                                              {kAlways, B8(c.condMode)},     {kAlways, B8(c.keepMet)},
                                              {kAlways, B8(c.facing)},       {kAlways, B8(c.copies)},
                                              {kAlways, B16(c.offX)},        {kAlways, B16(c.stepX)},
                                              {kAlways, B16(c.offY)},        {kAlways, B16(c.stepY)},
                                              {kAlways, B8(c.mirX)},         {kAlways, B8(c.mirY)},
                                              {kAlways, B16(c.chip)},        {kAlways, B8(c.sheet)},
                                              {kAlways, B16(c.chipRow)},     {kAlways, B16(c.animeSet)},
                                              {kAlways, B8(c.layer)},        {kAlways, B8(c.transparent)},
                                              {kAlways, B16(c.startFx)},     {196, B8(c.startMode)},
                                              {kAlways, B8(c.startLoop)},    {kAlways, B16(c.deathFx)},
                                              {196, B8(c.deathMode)},        {kAlways, B8(c.emblemShown)},
                                              {kAlways, B16(c.emblem)},      {kAlways, B8(c.operatedBy)},
                                              {kAlways, B8(c.playerNo)},     {kAlways, B8(c.blockClass)},
                                              {kAlways, B8(c.side)},         {kAlways, B8(c.flight)},
                                              {kAlways, B8(c.fixedFacing)},  {kAlways, B8(c.invincible)},
                                              {285, B8(c.invColor)},         {kAlways, B8(c.blockChara)},
                                              {kAlways, B8(c.giant)},        {210, B8(c.scrollSync)},
                                              {kAlways, B8(c.sightShape)},   {kAlways, B8(c.sightRange)},
                                              {kAlways, I32(c.hp)},          {kAlways, I32(c.sp)},
                                              {kAlways, B16(c.stopEase)},    {201, B8(c.mapBox)},
                                              {kAlways, I32(c.bodyPower)},   {kAlways, B8(c.bodyImpact)},
                                              {kAlways, B16(c.damageFx)},    {168, I32(c.defence)},
                                              {kAlways, B8(c.impactResist)}, {kAlways, I32(c.score)},
                                              {kAlways, B8(c.reserved)},     {kAlways, B8(c.flagAppear)},
                                              {kAlways, B16(c.flagNo)},      {kAlways, B8(c.activity)},
                                              {kAlways, B8(c.activation)}}),
                                   {c.name});
    return out + B16(c.col) + B16(c.row) + I32(c.carry) + Flags(c.flags) + Counted(c.conds) + Counted(c.flows);
}

}  // namespace palfix
