// The player's own choices that survive between runs, kept in
// "user_data\Option.dat" and edited on the options screen.
#pragma once
#include <cstdint>
#include <string>

#include "core/program_object.h"
#include "core/record.h"
#include "core/record_file.h"

// Ranges the options screen offers; a loaded value outside takes the
// constructor value, since every member but the name is used as an index
// (blend table, attenuation table, ranking entry modes).
constexpr int kOptionToneMax = 23;
constexpr int kOptionMusicMax = 1;
constexpr int kOptionVolumeMax = 10;
constexpr int kOptionRankEntryMax = 3;

class cOption : public cRecord {
public:
    int32_t m_nTone = 0;       // palette blend table of the 8-bit mode, 0..23
    int32_t m_nMusic = 0;      // 1: the music player runs
    int32_t m_nVolume = 0;     // sound-effect volume, 0..10
    int32_t m_nRankEntry = 0;  // ranking entry mode, index into the four modes of System data
    std::string m_strName; // written into ranking entries

    cOption();
    cOption(const cOption& other) = default;
    cOption& operator=(const cOption& other) = default;

    // Four integers, then the name, whatever the version.
    void RegisterFields(int version) override;
    bool Read(DataFile* file) override { return ReadAndValidate(*this, file); }
    bool Write(DataFile* file) override { return ValidateAndWrite(*this, file); }
    // Every member outside its range gets its constructor value.
    void Validate();
};

// Reads the options; 1, or 0 when the file is missing, newer than the
// program or broken, and the options are then left as they were (no half
// read file mixes into them).
int LoadOption(cOption& option, const char* path);
// Writes them through a replacing write: 1, or 0 and the old file stays.
int SaveOption(cOption& option, const char* path);

PROGRAM_OBJECT_DECLARE(g_Option, cOption);
