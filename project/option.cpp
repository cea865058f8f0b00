#include "project/option.h"

namespace {

constexpr int32_t kToneDefault = 0;
constexpr int32_t kMusicDefault = 1;
constexpr int32_t kVolumeDefault = 7;
constexpr int32_t kRankEntryDefault = 0;
constexpr const char* kNameDefault = "aaa";

void KeepInRange(int32_t& value, int32_t max, int32_t fallback) {
    if (value < 0 || value > max) value = fallback;
}

}  // namespace

cOption::cOption() {
    Clear();
    m_nMusic = kMusicDefault;
    m_nVolume = kVolumeDefault;
    m_strName = kNameDefault;
}

void cOption::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nTone);
    AddInt(&m_nMusic);
    AddInt(&m_nVolume);
    AddInt(&m_nRankEntry);
    AddString(&m_strName);
}

void cOption::Validate() {
    KeepInRange(m_nTone, kOptionToneMax, kToneDefault);
    KeepInRange(m_nMusic, kOptionMusicMax, kMusicDefault);
    KeepInRange(m_nVolume, kOptionVolumeMax, kVolumeDefault);
    KeepInRange(m_nRankEntry, kOptionRankEntryMax, kRankEntryDefault);
}

int LoadOption(cOption& option, const char* path) {
    cOption read;
    if (!read.LoadFile(path)) return 0;
    option = read;
    return 1;
}

int SaveOption(cOption& option, const char* path) { return option.SaveFile(path); }
