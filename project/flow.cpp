#include "project/flow.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "core/record_file.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "project/command_tables.h"
#include "project/database.h"
#include "project/record_read.h"
#include "project/system_data.h"

bool KeepTestPlayFlows() { return g_bEditorLaunch != 0 || g_SystemData.Get(kSysKeepFlaggedFlows) != 0; }

void RemoveTestPlayFlows(cVector<cFlow>& flows) {
    std::erase_if(flows, [](const cFlow& flow) { return flow.m_cTestPlayOnly != 0; });
}

namespace {

template <class T>
void Limit(T& index, int size, T replacement) {
    if (IndexOutside(index, size)) index = replacement;
}

// Carried flows nest through their commands; this many are being read on
// this thread now.
thread_local int t_nFlowDepth = 0;

struct FlowDepthGuard {
    FlowDepthGuard() { ++t_nFlowDepth; }
    ~FlowDepthGuard() { --t_nFlowDepth; }
};

// ---- Parameter upgrades of older files

// Parameter access during the upgrades: an old file may store fewer
// parameters than a step looks at; a missing one reads as 0, and setting
// one grows the list (the normalisation sizes it afterwards).
int32_t Get(const cFlowCmd& c, int i) { return i < c.m_vParam.Size() ? c.m_vParam[static_cast<size_t>(i)] : 0; }

void Set(cFlowCmd& c, int i, int32_t value) {
    if (i >= c.m_vParam.Size()) c.m_vParam.resize(static_cast<size_t>(i) + 1, 0);
    c.m_vParam[static_cast<size_t>(i)] = value;
}

// Wraps at the ends of the int32 range, as the stored value is any 32 bits.
void Add(cFlowCmd& c, int i, int32_t add) {
    Set(c, i, static_cast<int32_t>(static_cast<uint32_t>(Get(c, i)) + static_cast<uint32_t>(add)));
}

void Resize(cFlowCmd& c, int count) { c.m_vParam.resize(static_cast<size_t>(count), 0); }

// Resized to `count`, then value put at i and the entries from i on moved up
// one place; the last one falls off.
void Insert(cFlowCmd& c, int count, int i, int32_t value) {
    Resize(c, count);
    for (int j = count - 1; j > i; --j) c.m_vParam[static_cast<size_t>(j)] = c.m_vParam[static_cast<size_t>(j - 1)];
    Set(c, i, value);
}

// The status-operation command keeps a left status in p3/p4 (when p0 is 0)
// and a right status in p12/p13 (when p6 is 2); a status list that gained
// entries moves every status from `from` on, except those of `system`.
void ShiftStatusParams(cFlowCmd& c, int system, int from, int add) {
    if (Get(c, 0) == 0 && Get(c, 3) != system && Get(c, 4) >= from) Add(c, 4, add);
    if (Get(c, 6) == 2 && Get(c, 12) != system && Get(c, 13) >= from) Add(c, 13, add);
}

constexpr int kNone = -1;   // no command of this category
constexpr int kEvery = -2;  // every command; the step sorts them out

struct CommandUpgrade {
    int below;     // applies to files of a version below this
    int flowKind;  // the kinds as numbered when the step runs
    int itemKind;
    void (*apply)(cFlowCmd&);
};

// In order; each step sees what the steps before it left. Before the
// renumbering at 734, flow kinds from 24 and item kinds from 9 are one lower
// than now, so the kinds of the earlier rows are the old numbers (35/20 at
// 166 is the music command, 31/16 the picture command).
constexpr CommandUpgrade kCommandUpgrades[] = {
    // stage clear
    {145, 17, 2, [](cFlowCmd& c) { Resize(c, 9); }},
    // music
    {166, 35, 20, [](cFlowCmd& c) { Resize(c, 2); Set(c, 1, 1); }},
    // status operation
    {168, 22, 7, [](cFlowCmd& c) { ShiftStatusParams(c, 2, 10, 1); }},
    // set target
    {189, 21, 6, [](cFlowCmd& c) { Insert(c, 16, 2, 0); }},
    // show picture
    {194, 31, 16, [](cFlowCmd& c) { Insert(c, 16, 6, 1); }},
    // chara effect, screen effect
    {195, 29, 14, [](cFlowCmd& c) { Insert(c, 3, 1, 0); }},
    {195, 30, 15, [](cFlowCmd& c) { Insert(c, 3, 1, 0); }},
    // chara and item summons, flow operation, status operation
    {203, 14, kNone, [](cFlowCmd& c) { c.m_vParam.clear(); }},
    {203, 15, kNone, [](cFlowCmd& c) { c.m_vParam.clear(); }},
    {203, 16, kNone, [](cFlowCmd& c) { Resize(c, 4); }},
    {203, 22, 7, [](cFlowCmd& c) { ShiftStatusParams(c, 2, 5, 1); }},
    // status operation 2
    {210, 23, 8, [](cFlowCmd& c) { if (Get(c, 0) != 2 && Get(c, 1) >= 6) Add(c, 1, 1); }},
    // change graphic: sheet 3 gained a chip in front
    {219, 25, 10, [](cFlowCmd& c) {
         if (Get(c, 0) == 3) Set(c, 1, static_cast<int32_t>(std::min<int64_t>(int64_t{Get(c, 1)} + 1, 119)));
     }},
    // shot
    {220, 11, kNone, [](cFlowCmd& c) {
         if (c.m_pShot) c.m_pShot->m_sGraphic = static_cast<int16_t>(std::min(c.m_pShot->m_sGraphic + 1, 119));
     }},
    // charge move
    {514, 5, kNone, [](cFlowCmd& c) {
         if (!c.m_pMove) return;
         c.m_pMove->m_sAngle = 0;
         c.m_pMove->m_sAngleInc = 0;
         c.m_pMove->m_cMirrorAngle = 1;
     }},
    // message, show picture
    {545, 19, 4, [](cFlowCmd& c) { Resize(c, 19); Set(c, 10, 1); }},
    {545, 31, 16, [](cFlowCmd& c) { Resize(c, 16); Set(c, 11, 0); }},
    {546, 19, 4, [](cFlowCmd& c) { Set(c, 10, (Get(c, 0) == 0 || Get(c, 0) == 7) ? 1 : 0); }},
    {547, 19, 4, [](cFlowCmd& c) {
         Resize(c, 19);
         Set(c, 11, 0);
         Set(c, 12, 0);
         Set(c, 13, 0);
         Set(c, 14, 1);
         Set(c, 15, 0);
     }},
    {547, 31, 16, [](cFlowCmd& c) { Resize(c, 16); Set(c, 12, 0); Set(c, 13, 0); }},
    {556, 19, 4, [](cFlowCmd& c) { Resize(c, 19); Set(c, 16, 1); }},
    // stage clear
    {722, 17, 2, [](cFlowCmd& c) { if (Get(c, 0) >= 2) Add(c, 0, 1); }},
    // message, show picture
    {723, 19, 4, [](cFlowCmd& c) { Resize(c, 19); Set(c, 17, 0); }},
    {723, 31, 16, [](cFlowCmd& c) { Resize(c, 16); Set(c, 14, 0); }},
    // arrange: it was an arrange of kind 11 before the arranged kind was stored
    {726, 37, 22, [](cFlowCmd& c) { Resize(c, 5); Set(c, 0, 11); }},
    {727, 37, 22, [](cFlowCmd& c) {
         if (Get(c, 0) != 11) return;
         for (int from : {2, 3, 4, 14, 15, 16, 17})
             if (Get(c, 1) >= from) Add(c, 1, 1);
     }},
    // The vanish command takes flow kind 24 (item kind 9); the arrange
    // command names the kind it changes in flow numbering in both categories.
    {734, kEvery, kEvery, [](cFlowCmd& c) {
         int first = c.m_cCategory == kCmdCategoryFlow ? 24 : 9;
         if (c.m_cKind >= first) c.m_cKind = static_cast<int8_t>(c.m_cKind + 1);
         if (c.FlowKind() == 38 && Get(c, 0) >= 24) Add(c, 0, 1);
     }},
    // set target
    {747, 21, 6, [](cFlowCmd& c) { Resize(c, 16); Set(c, 10, 0); Set(c, 11, 1); Set(c, 14, 0); }},
    // flow operation
    {760, 16, kNone, [](cFlowCmd& c) { Resize(c, 4); Set(c, 3, 0); }},
    {764, 16, kNone, [](cFlowCmd& c) { MakeCondList(c.m_pCond); c.m_pCond->m_cEnabled = 0; }},
    // Targets 3 and 4 joined: change direction, warp, set target, status
    // operations 1 and 2.
    {767, 9, kNone, [](cFlowCmd& c) { if (Get(c, 0) >= 4) Add(c, 0, 6); }},
    {767, 20, 5, [](cFlowCmd& c) {
         if (c.m_pMove && c.m_pMove->m_cMoveBy >= 2) c.m_pMove->m_cMoveBy = static_cast<int8_t>(c.m_pMove->m_cMoveBy + 3);
     }},
    {767, 21, 6, [](cFlowCmd& c) { Insert(c, 16, 0, 0); }},
    {767, 22, 7, [](cFlowCmd& c) {
         if (Get(c, 0) == 0 && Get(c, 3) >= 2) Add(c, 3, 3);
         if (Get(c, 6) == 2 && Get(c, 12) >= 2) Add(c, 12, 3);
     }},
    {767, 23, 8, [](cFlowCmd& c) { if (Get(c, 0) >= 2) Add(c, 0, 3); }},
    // status operation 2
    {820, 23, 8, [](cFlowCmd& c) { Resize(c, 5); }},
    // run anime
    {879, 28, 13, [](cFlowCmd& c) { Resize(c, 2); Set(c, 1, 0); }},
    // warp, status operation
    {882, 20, 5, [](cFlowCmd& c) {
         if (!c.m_pMove) return;
         c.m_pMove->m_cUseX = 1;
         c.m_pMove->m_cUseY = 1;
     }},
    {882, 22, 7, [](cFlowCmd& c) {
         Resize(c, 22);
         Set(c, 18, 0);
         Set(c, 19, 0);
         ShiftStatusParams(c, 5, 6, 2);
     }},
    // message, effect, show picture
    {891, 19, 4, [](cFlowCmd& c) { Resize(c, 19); if (Get(c, 0) == 8) Add(c, 0, 1); }},
    {891, 29, 14, [](cFlowCmd& c) { Resize(c, 9); if (Get(c, 1) == 4) Add(c, 1, 1); }},
    {891, 32, 17, [](cFlowCmd& c) { Resize(c, 16); if (Get(c, 1) == 4) Add(c, 1, 1); }},
    // warp, status operation
    {892, 20, 5, [](cFlowCmd& c) { if (c.m_pMove) c.m_pMove->m_cAnchor = 2; }},
    {892, 22, 7, [](cFlowCmd& c) { Resize(c, 22); Set(c, 20, 2); Set(c, 21, 0); }},
    // arrange: slots of the arranged kinds gained entries
    {898, 38, 23, [](cFlowCmd& c) { if (Get(c, 0) == 32 && Get(c, 1) >= 0) Add(c, 1, 1); }},
    {899, 38, 23, [](cFlowCmd& c) {
         switch (Get(c, 0)) {
         case 11:
             if (Get(c, 1) >= 14) Add(c, 1, 1);
             break;
         case 13:
         case 14:
         case 15:
         case 29:
             if (Get(c, 1) >= 0) Add(c, 1, 1);
             break;
         case 22:
             if (Get(c, 1) >= 0) Add(c, 1, 1);
             if (Get(c, 1) >= 1) Add(c, 1, 1);
             break;
         default: break;
         }
     }},
};

bool UpgradeMatches(const CommandUpgrade& step, const cFlowCmd& c) {
    int kind = c.m_cCategory == kCmdCategoryFlow ? step.flowKind : c.m_cCategory == kCmdCategoryItem ? step.itemKind : kNone;
    return kind == kEvery || (kind != kNone && kind == c.m_cKind);
}

bool KnownKind(const cFlowCmd& c) {
    if (c.m_cCategory == kCmdCategoryFlow) return c.m_cKind >= 0 && c.m_cKind < kFlowCmdKinds;
    if (c.m_cCategory == kCmdCategoryItem) return c.m_cKind >= 0 && c.m_cKind < kItemCmdKinds;
    return false;
}

// The sword's duration: the sum of its type's step times, at most 9999.
int16_t SwordTime(const cSwordTypeData& sword) {
    int64_t sum = 0;
    for (const cSwordPartData& step : sword.m_vPart) sum += step.m_nTime;
    return static_cast<int16_t>(std::clamp<int64_t>(sum, INT16_MIN, 9999));
}

}  // namespace

// ---- cFlowCmd

cFlowCmd::cFlowCmd() {
    SetDefault();
    MakeEdMove(m_pMove);
}

cFlowCmd::cFlowCmd(const cFlowCmd& other) : cRecord() { *this = other; }

cFlowCmd::~cFlowCmd() = default;

cFlowCmd& cFlowCmd::operator=(const cFlowCmd& source) {
    if (this == &source) return *this;
    cRecord::operator=(source);
    m_cCategory = source.m_cCategory;
    m_cKind = source.m_cKind;
    m_vParam = source.m_vParam;
    m_strText = source.m_strText;
    m_pMove.reset(source.m_pMove ? new cEdMove(*source.m_pMove) : nullptr);
    m_pShot.reset(source.m_pShot ? new cEdShot(*source.m_pShot) : nullptr);
    m_sTime = source.m_sTime;
    m_sTimeInc = source.m_sTimeInc;
    m_cParallel = source.m_cParallel;
    m_sSound = source.m_sSound;
    m_cSoundInView = source.m_cSoundInView;
    m_sAnime = source.m_sAnime;
    m_pCond.reset(source.m_pCond ? new cCondList(*source.m_pCond) : nullptr);
    m_vFlow = source.m_vFlow;
    return *this;
}

void cFlowCmd::SetDefault() {
    Clear();
    m_pMove.reset();
    m_pShot.reset();
    m_pCond.reset();
    m_cSoundInView = 1;
    m_vParam.clear();
    m_vFlow.clear();
}

void cFlowCmd::RegisterFields(int) {
    ClearFields();
    AddByte(&m_cCategory);
    AddByte(&m_cKind);
    AddString(&m_strText);
    AddShort(&m_sTime);
    AddShort(&m_sTimeInc);
    AddByte(&m_cParallel);
    AddShort(&m_sSound);
    AddByte(&m_cSoundInView);
    AddShort(&m_sAnime);
}

int cFlowCmd::FlowKind() const {
    if (m_cCategory == kCmdCategoryFlow) return m_cKind;
    if (m_cCategory == kCmdCategoryItem && m_cKind >= 2) return m_cKind + 15;
    return -1;
}

bool cFlowCmd::Read(DataFile* file) {
    bool ok = ReadParts(file);
    if (ok && g_FileVersion < kDataVersion)
        for (const CommandUpgrade& step : kCommandUpgrades)
            if (g_FileVersion < step.below && UpgradeMatches(step, *this)) step.apply(*this);
    if (ok && !KnownKind(*this))
        WriteReport("flow command of unknown kind %d (category %d): its parameters are dropped", m_cKind, m_cCategory);
    if (!KeepTestPlayFlows()) RemoveTestPlayFlows(m_vFlow);
    // Also after a broken read: whatever was read is kept inside its tables.
    Normalize();
    return ok;
}

bool cFlowCmd::ReadParts(DataFile* file) {
    if (!cRecord::Read(file)) return false;
    int32_t present = 0;
    m_pMove.reset();
    if (!file->ReadInt(present)) return false;
    if (present) {
        MakeEdMove(m_pMove);
        if (!m_pMove->Read(file)) return false;
    }
    m_pShot.reset();
    if (!file->ReadInt(present)) return false;
    if (present) {
        MakeEdShot(m_pShot);
        if (!m_pShot->Read(file)) return false;
    }
    // Commands stored before 764 have no condition list.
    m_pCond.reset();
    if (g_FileVersion >= 764) {
        if (!file->ReadInt(present)) return false;
        if (present) {
            MakeCondList(m_pCond);
            if (!m_pCond->Read(file)) return false;
        }
    }
    return ReadRecordVector(m_vFlow, file) && ReadVector(m_vParam, file);
}

bool cFlowCmd::Write(DataFile* file) {
    Normalize();
    if (!cRecord::Write(file)) return false;
    if (!file->WriteInt(m_pMove ? 1 : 0) || (m_pMove && !m_pMove->Write(file))) return false;
    if (!file->WriteInt(m_pShot ? 1 : 0) || (m_pShot && !m_pShot->Write(file))) return false;
    if (!file->WriteInt(m_pCond ? 1 : 0) || (m_pCond && !m_pCond->Write(file))) return false;
    return WriteRecordVector(m_vFlow, file) && WriteVector(m_vParam, file);
}

void cFlowCmd::Normalize() {
    const cDatabase& db = g_Database;
    Limit<int16_t>(m_sAnime, db.m_vAnime.Size(), 0);
    Limit<int16_t>(m_sSound, db.m_vSound.Size(), 0);

    // A kind outside its table keeps no parameters.
    m_vParam.resize(static_cast<size_t>(std::max(0, CmdParamCount(m_cCategory, m_cKind))), 0);

    auto p = [this](int i) -> int32_t& { return m_vParam.At(i); };
    switch (FlowKind()) {
    case 12:  // sword: its type, and its time from the type's steps
        if (m_pShot) {
            Limit<int8_t>(m_pShot->m_cMoveKind, db.m_vSwordType.Size(), 0);
            if (m_pShot->m_cMoveKind < db.m_vSwordType.Size())
                m_sTime = SwordTime(db.m_vSwordType[static_cast<size_t>(m_pShot->m_cMoveKind)]);
        }
        break;
    case 26:  // change graphic, from a chara-exclusive sheet
        if (p(0) == 4) Limit(p(1), db.m_vBmpCharaExc.Size(), 1);
        break;
    case 27: Limit(p(0), db.m_vAnimeSet.Size(), 0); break;
    case 28: Limit(p(0), db.m_vAnime.Size(), 1); break;
    case 29: Limit(p(0), db.m_vEffect.Size(), 1); break;
    case 30: Limit(p(0), db.m_vCharaEffect.Size(), 1); break;
    case 31: Limit(p(0), db.m_vScrEffect.Size(), 1); break;
    case 32: Limit(p(0), db.m_vPicture.Size(), 1); break;
    case 35: Limit(p(0), db.m_vSound.Size(), 1); break;
    case 36: Limit(p(0), db.m_vBgm.Size(), 1); break;
    default: break;
    }

    for (cFlow& flow : m_vFlow) flow.Validate();
}

void cFlowCmd::CheckPaletteRefs(const PaletteSizes& sizes) {
    switch (FlowKind()) {
    case 11:  // shot, sword: the item the hero gets on a hit
    case 12:
        if (m_pShot && (m_pShot->m_cItemSource == 1 || m_pShot->m_cItemSource == 2) &&
            IndexOutside(m_pShot->m_sItemIndex, sizes.nItem[m_pShot->m_cItemSource - 1])) {
            m_pShot->m_cItemSource = 0;
            m_pShot->m_sItemIndex = 0;
        }
        break;
    case 13:  // block, chara and item summons
    case 14:
    case 15:
        if (m_pShot && (m_pShot->m_cSummonPalette == 0 || m_pShot->m_cSummonPalette == 1)) {
            const int* list = FlowKind() == 13 ? sizes.nBlock : FlowKind() == 14 ? sizes.nChara : sizes.nItem;
            Limit<int16_t>(m_pShot->m_sSummonIndex, list[m_pShot->m_cSummonPalette], 1);
        }
        break;
    case 25:  // get item; another palette value gives nothing and is left alone
        if (m_vParam.Size() >= 2 && (m_vParam[0] == 0 || m_vParam[0] == 1))
            Limit(m_vParam[1], sizes.nItem[m_vParam[0]], 1);
        break;
    default: break;
    }
    for (cFlow& flow : m_vFlow) flow.CheckPaletteRefs(sizes);
}

// ---- cFlow

namespace {

int8_t Plus(int8_t value, int add) { return static_cast<int8_t>(value + add); }

constexpr UpgradeStep<cFlow> kTriggerUpgrades[] = {
    {132, [](cFlow& f) { if (f.m_cTrigger >= 11) f.m_cTrigger = Plus(f.m_cTrigger, 1); }},
    {163, [](cFlow& f) { if (f.m_cTrigger != 0) f.m_cGroup = 0; }},
    {164, [](cFlow& f) { if (f.m_cTrigger >= 5) f.m_cTrigger = Plus(f.m_cTrigger, 2); }},
    {762, [](cFlow& f) { if (f.m_cTrigger >= 18) f.m_cTrigger = Plus(f.m_cTrigger, 3); }},
    {900, [](cFlow& f) {
         for (int from : {2, 4, 21, 23})
             if (f.m_cTrigger >= from) f.m_cTrigger = Plus(f.m_cTrigger, 1);
     }},
};

}  // namespace

cFlow::cFlow() {
    Clear();
    m_cKeyStep = 3;
}

void cFlow::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 676)) AddString(&m_strName);
    AddByte(&m_cId);
    AddByte(&m_cGroup);
    AddByte(&m_cTestPlayOnly);
    AddByte(&m_cCondMode);
    AddByte(&m_cKeepMet);
    AddByte(&m_cTrigger);
    if (StoredFrom(version, 762)) AddByte(&m_cTakeOther);
    if (StoredFrom(version, 767)) AddByte(&m_cTargetSlot);
    AddByte(&m_cKeyStep);
    AddByte(&m_cKeyHold);
}

bool cFlow::Read(DataFile* file) {
    FlowDepthGuard depth;
    if (t_nFlowDepth > kMaxFlowNesting) {
        WriteReport("flows nest deeper than %d levels", kMaxFlowNesting);
        file->MarkCorrupt();
        return false;
    }
    bool ok = cRecord::Read(file) && ReadRecordVector(m_vCond, file) && ReadRecordVector(m_vKeyCond, file) &&
              ReadRecordVector(m_vCmd, file);
    if (ok) ApplyUpgrades(kTriggerUpgrades, *this, g_FileVersion);
    // The player keeps no flow names.
    m_strName.clear();
    Validate();
    return ok;
}

bool cFlow::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && WriteRecordVector(m_vCond, file) && WriteRecordVector(m_vKeyCond, file) &&
           WriteRecordVector(m_vCmd, file);
}

void cFlow::Validate() {
    for (cCondition& cond : m_vCond) cond.Validate();
    for (cKeyCond& key : m_vKeyCond) key.Validate();
    for (cFlowCmd& cmd : m_vCmd) cmd.Normalize();
}

void cFlow::CheckPaletteRefs(const PaletteSizes& sizes) {
    for (cFlowCmd& cmd : m_vCmd) cmd.CheckPaletteRefs(sizes);
}

// ---- FlowList

namespace {

thread_local FlowSharing* t_sharing = nullptr;
std::atomic<uint64_t> g_nextSharing{1};

}  // namespace

// What a session has checked: per shared store, check and palette sizes,
// the checked copy. The stores are held, so none is freed and its address
// taken by another while the session lives.
struct FlowSharing::Done {
    struct Entry {
        std::shared_ptr<FlowList::Store> from;
        FlowList::Check check;
        PaletteSizes sizes;
        std::shared_ptr<FlowList::Store> checked;
    };
    std::unordered_multimap<const FlowList::Store*, Entry> entries;
};

FlowSharing::FlowSharing()
    : m_nId(g_nextSharing.fetch_add(1)), m_pOuter(t_sharing), m_pDone(std::make_unique<Done>()) {
    t_sharing = this;
}

FlowSharing::~FlowSharing() { t_sharing = m_pOuter; }

const cVector<cFlow>& FlowList::Empty() {
    static const cVector<cFlow> none;
    return none;
}

cVector<cFlow>& FlowList::Edit() {
    if (!m_pStore) {
        m_pStore = std::make_shared<Store>();
    } else if (m_pStore.use_count() > 1) {
        m_pStore = std::make_shared<Store>(m_pStore->flows);
    } else {
        m_pStore->checkedIn = 0;  // whatever the caller changes is unchecked
    }
    return m_pStore->flows;
}

void FlowList::Apply(Check check, const PaletteSizes& sizes) {
    if (!m_pStore) return;
    FlowSharing* session = t_sharing;
    if (!session) {
        check(Edit(), sizes);
        return;
    }
    Store& store = *m_pStore;
    if (store.checkedIn == session->m_nId && store.checkedBy == check && store.checkedSizes == sizes) return;
    if (m_pStore.use_count() == 1) {
        check(store.flows, sizes);
    } else {
        auto& done = session->m_pDone->entries;
        for (auto [at, end] = done.equal_range(&store); at != end; ++at)
            if (at->second.check == check && at->second.sizes == sizes) {
                m_pStore = at->second.checked;
                return;
            }
        auto checked = std::make_shared<Store>(store.flows);
        check(checked->flows, sizes);
        done.emplace(&store, FlowSharing::Done::Entry{m_pStore, check, sizes, checked});
        m_pStore = std::move(checked);
    }
    m_pStore->checkedIn = session->m_nId;
    m_pStore->checkedBy = check;
    m_pStore->checkedSizes = sizes;
}
