// Flows, the event programs of charas, and their commands. A flow starts on
// its trigger when its conditions and key conditions hold, and runs its
// commands under the flow engine. Item definitions hold commands of the item
// category; the change-flow item command carries flows of its own.
//
// Every command is normalised after each read and before each write: its
// parameters sized to its kind's count and its database references kept
// inside their tables.
#pragma once
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/condition.h"
#include "project/move_shot.h"

class DataFile;
class cFlow;

// Entry counts of the block, chara and item lists of the common palette
// (index 0) and of the live stage palette (index 1), for the palette checks.
struct PaletteSizes {
    int nBlock[2] = {};
    int nChara[2] = {};
    int nItem[2] = {};
    bool operator==(const PaletteSizes&) const = default;
};

class cFlowCmd : public cRecord {
public:
    int8_t m_cCategory = 0;  // 0 flow command, 1 item command
    int8_t m_cKind = 0;      // flow kinds 0..39, item kinds 0..24; item kind k >= 2 is flow kind k + 15
    cVector<int32_t> m_vParam;
    std::string m_strText;
    boost::shared_ptr<cEdMove> m_pMove;
    boost::shared_ptr<cEdShot> m_pShot;
    int16_t m_sTime = 0;      // tenths of a second
    int16_t m_sTimeInc = 0;   // per clone value
    int8_t m_cParallel = 0;   // the next command starts in the same frame
    int16_t m_sSound = 0;     // Sound database entry, 0 none
    int8_t m_cSoundInView = 1;
    int16_t m_sAnime = 0;     // Anime database entry, 0 none
    boost::shared_ptr<cCondList> m_pCond;
    cVector<cFlow> m_vFlow;   // change-flow item command only

    // Holds a default movement record.
    cFlowCmd();
    // Sub-records are copied, never shared; a move takes them along.
    cFlowCmd(const cFlowCmd& other);
    cFlowCmd& operator=(const cFlowCmd& source);
    cFlowCmd(cFlowCmd&& other) noexcept = default;
    cFlowCmd& operator=(cFlowCmd&& source) = default;
    ~cFlowCmd() override;

    // Cleared, no sub-records, no parameters or flows, sound only in view.
    void SetDefault();
    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;

    // Parameters sized to the kind's count; anime, sound and the database
    // references of the parameters and the sword inside their tables; the
    // same for every carried flow.
    void Normalize();
    // Item, block and chara references kept inside the palettes.
    void CheckPaletteRefs(const PaletteSizes& sizes);

    // The flow-command kind this command is (an item command's equivalent),
    // or -1 for the change-flow item command and unknown categories.
    int FlowKind() const;

private:
    // The stored parts: record, sub-records, flows, parameters.
    bool ReadParts(DataFile* file);
};

class cFlow : public cRecord {
public:
    std::string m_strName;      // emptied by every read
    int8_t m_cId = 0;           // 0 none, 1..26 A..Z
    int8_t m_cGroup = 0;        // exclusive group, trigger 0 only
    int8_t m_cTestPlayOnly = 0;
    cVector<cCondition> m_vCond;
    int8_t m_cCondMode = 0;     // 0 all, 1 at least one
    int8_t m_cKeepMet = 0;
    int8_t m_cTrigger = 0;      // 0..26
    int8_t m_cTakeOther = 0;    // stored from 762
    int8_t m_cTargetSlot = 0;   // stored from 767
    int8_t m_cKeyStep = 3;      // frames allowed between key steps
    int8_t m_cKeyHold = 0;
    cVector<cKeyCond> m_vKeyCond;
    cVector<cFlowCmd> m_vCmd;

    cFlow();

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    // Every condition and key condition validated, every command normalised.
    void Validate();
    void CheckPaletteRefs(const PaletteSizes& sizes);
};

// The flow list of a chara definition. Copies share the flows until one of
// them is changed: reading goes to the shared flows, and a change through
// any access that may write first makes the flows the list's own. The
// placements of a stage and the entries that take their flows from a
// palette entry hold that entry's flows, not copies.
class FlowList {
public:
    // A check of the flows: for the same flows, database and palette sizes
    // it gives the same result, and checking that result again changes
    // nothing.
    using Check = void (*)(cVector<cFlow>& flows, const PaletteSizes& sizes);

    FlowList() = default;

    // Reading.
    const cVector<cFlow>& Get() const { return m_pStore ? m_pStore->flows : Empty(); }
    operator const cVector<cFlow>&() const { return Get(); }
    int Size() const { return Get().Size(); }
    size_t size() const { return Get().size(); }
    bool empty() const { return Get().empty(); }
    const cFlow& operator[](size_t i) const { return Get()[i]; }
    auto begin() const { return Get().begin(); }
    auto end() const { return Get().end(); }

    // Changing.
    cVector<cFlow>& Edit();
    cFlow& operator[](size_t i) { return Edit()[i]; }
    auto begin() { return Edit().begin(); }
    auto end() { return Edit().end(); }
    void push_back(const cFlow& flow) { Edit().push_back(flow); }
    void push_back(cFlow&& flow) { Edit().push_back(std::move(flow)); }
    void resize(size_t n) { Edit().resize(n); }
    void assign(size_t n, const cFlow& flow) { Edit().assign(n, flow); }
    void clear() { m_pStore.reset(); }

    // The flows after `check`. While a FlowSharing lives on this thread,
    // flows that several lists share are checked once and every sharer
    // takes the one checked copy; otherwise the list checks its own flows.
    void Apply(Check check, const PaletteSizes& sizes = {});

    // True when both lists hold the same flows in memory.
    bool SharesWith(const FlowList& other) const { return m_pStore && m_pStore == other.m_pStore; }

private:
    struct Store {
        Store() = default;
        explicit Store(const cVector<cFlow>& copied) : flows(copied) {}
        cVector<cFlow> flows;
        // The last check these flows went through, in which session.
        uint64_t checkedIn = 0;
        Check checkedBy = nullptr;
        PaletteSizes checkedSizes;
    };
    friend class FlowSharing;
    static const cVector<cFlow>& Empty();
    std::shared_ptr<Store> m_pStore;
};

// Opened for the read of a whole stage, during which the database and, for
// the palette check, the palettes do not change: checks of shared flow
// lists are made once per list on this thread while it lives.
class FlowSharing {
public:
    FlowSharing();
    ~FlowSharing();
    FlowSharing(const FlowSharing&) = delete;
    FlowSharing& operator=(const FlowSharing&) = delete;

private:
    friend class FlowList;
    struct Done;
    uint64_t m_nId;
    FlowSharing* m_pOuter;
    std::unique_ptr<Done> m_pDone;
};

template <>
struct ElementTraits<cFlowCmd> {
    static cFlowCmd MakeDefault() {
        cFlowCmd cmd;
        cmd.SetDefault();
        return cmd;
    }
    static void Assign(cFlowCmd& target, const cFlowCmd& source) { target = source; }
};

template <>
struct ElementTraits<cFlow> : DefaultedRecord<cFlow> {};

// Drops every flow marked for test play only; the others keep their order.
void RemoveTestPlayFlows(cVector<cFlow>& flows);

// Whether flows marked for test play survive loading: during an editor's
// test play, or when the project settings keep them.
bool KeepTestPlayFlows();

// Carried flows may nest this deep (flow, command, flow, ...); a file that
// nests deeper is refused as broken.
constexpr int kMaxFlowNesting = 32;
