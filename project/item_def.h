// Item definitions: the picture, the appearance conditions, the sound of
// taking and the item commands run on the hero who takes it. A common
// palette entry, a stage palette entry or an item placed on a stage; blocks
// hand items out by palette reference (FindItemDef).
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/condition.h"
#include "project/flow.h"

class DataFile;

class cPltItem : public cRecord {
public:
    // Property groups an entry can take from its inheritance source.
    static constexpr int kInheritGroups = 13;

    int16_t m_sCol = 0;          // tile position of a placement
    int16_t m_sRow = 0;
    int8_t m_cInheritSrc = 0;    // 0 none, 1 common palette, 2 stage palette
    int16_t m_sInheritIdx = 0;
    cVector<int8_t> m_vInheritFlag;  // one per property group
    std::string m_strName;
    cVector<cCondition> m_vCond;
    int8_t m_cCondMode = 0;      // 0 all must hold, 1 any one
    int8_t m_cKeepMet = 0;       // 1: once met, they count as held
    int16_t m_sOffsetX = 0;      // pixels added to an item created by a summon
    int16_t m_sOffsetY = 0;
    int16_t m_sChip = 0;
    int8_t m_cSheet = 2;         // 0 block, 1 chara, 2 item, 3 shot chips, 4 dedicated bitmap
    int16_t m_sSheetSub = 0;
    int8_t m_cLayer = 6;         // drawing layer 0..7
    int8_t m_cHidden = 0;
    int8_t m_cIconMode = 0;      // 0 none, 1 drawn over the item, 2 editor only
    int16_t m_sIcon = 0;
    int8_t m_cTakeMode = 0;      // 2: the hero cannot take it
    int8_t m_cPopup = 1;         // 1: taking it shows its picture at the hero
    int8_t m_cGiant = 1;         // size factor
    int16_t m_sSound = 0;        // Sound database entry played on taking, 0 none
    cVector<cFlowCmd> m_vCmd;    // item commands run on the hero

    cPltItem();

    // The kind's defaults: a fresh palette entry, or entry 0 of a palette.
    void SetDefault();
    void RegisterFields(int version) override;
    // Record, position, flags, conditions, commands; then the upgrade of
    // older files, the inheritance and the check.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;

    // Inheritance reference, giant scale and sound kept valid; every
    // command normalised.
    void Validate();
    // Palette references of the commands kept inside the palettes; run once
    // the palettes are loaded.
    void ValidateCmds();
    // Takes the flagged property groups from the source entry.
    void Inherit();
};

template <>
struct ElementTraits<cPltItem> : DefaultedRecord<cPltItem> {};

// The item definition at `index` of the common palette (source 1) or of the
// live stage palette (source 2); null for any other source or an index
// outside the list.
cPltItem* FindItemDef(int source, int index);
