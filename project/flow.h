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
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/condition.h"
#include "project/move_shot.h"

class cDataFile;
class cFlow;

// Entry counts of the block, chara and item lists of the common palette
// (index 0) and of the live stage palette (index 1), for the palette checks.
struct cPaletteSizes {
    int nBlock[2] = {};
    int nChara[2] = {};
    int nItem[2] = {};
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
    // Sub-records are copied, never shared.
    cFlowCmd(const cFlowCmd& other);
    cFlowCmd& operator=(const cFlowCmd& source);
    ~cFlowCmd() override;

    // Cleared, no sub-records, no parameters or flows, sound only in view.
    void SetDefault();
    void RegisterFields(int version) override;
    bool Read(cDataFile* file) override;
    bool Write(cDataFile* file) override;

    // Parameters sized to the kind's count; anime, sound and the database
    // references of the parameters and the sword inside their tables; the
    // same for every carried flow.
    void Normalize();
    // Item, block and chara references kept inside the palettes.
    void CheckPaletteRefs(const cPaletteSizes& sizes);

    // The flow-command kind this command is (an item command's equivalent),
    // or -1 for the change-flow item command and unknown categories.
    int FlowKind() const;

private:
    // The stored parts: record, sub-records, flows, parameters.
    bool ReadParts(cDataFile* file);
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
    bool Read(cDataFile* file) override;
    bool Write(cDataFile* file) override;
    // Every condition and key condition validated, every command normalised.
    void Validate();
    void CheckPaletteRefs(const cPaletteSizes& sizes);
};

template <>
struct cElementTraits<cFlowCmd> {
    static cFlowCmd MakeDefault() {
        cFlowCmd cmd;
        cmd.SetDefault();
        return cmd;
    }
    static void Assign(cFlowCmd& target, const cFlowCmd& source) { target = source; }
};

template <>
struct cElementTraits<cFlow> : cDefaultedRecord<cFlow> {};

// Drops every flow marked for test play only; the others keep their order.
void RemoveTestPlayFlows(cVector<cFlow>& flows);

// Whether flows marked for test play survive loading: during an editor's
// test play, or when the project settings keep them.
bool KeepTestPlayFlows();

// Carried flows may nest this deep (flow, command, flow, ...); a file that
// nests deeper is refused as broken.
constexpr int kMaxFlowNesting = 32;
