// The common palette: the block, chara and item definitions that every stage
// of the project can use. Stage palettes, placements and item references
// name its entries by index (source 1). Loaded once at start-up from
// "data\CommonPalette.cplt4"; the player never writes it.
#pragma once
#include "core/containers.h"
#include "core/program_object.h"
#include "core/record.h"
#include "project/block_def.h"
#include "project/chara_def.h"
#include "project/flow.h"
#include "project/item_def.h"

class DataFile;

class cCommonPalette : public cRecord {
public:
    // One default entry in each list.
    cCommonPalette();

    void RegisterFields(int version) override;
    // The record part (no fields, no strings), then the block, chara and item
    // lists, each entry read in place so that it inherits from the entries
    // before it; entry 0 of each list reset, every inherit flag cleared,
    // then Validate.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    // Lists padded to 2 entries, then every entry checked, references too.
    void Validate();

    cVector<cPltBlock> m_vBlock;
    cVector<cCharaDef> m_vChara;
    cVector<cPltItem> m_vItem;
};

PROGRAM_OBJECT_DECLARE(g_CommonPalette, cCommonPalette);

// Entry counts of the common palette's lists and of the live stage's palette
// lists, for the palette checks of flows and commands.
PaletteSizes CurrentPaletteSizes();
