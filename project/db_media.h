// Records of five databases: chara effects, screen effects, pictures,
// sounds and music.
#pragma once
#include <cstdint>
#include <string>

#include "core/record.h"
#include "core/record_file.h"

// Chara-effect kinds (how a chara is drawn for a while).
enum : int32_t {
    kCharaFxNone = 0,
    kCharaFxBurst = 1,
    kCharaFxSplitH = 2,
    kCharaFxSplitV = 3,
    kCharaFxWaveH = 4,
    kCharaFxWaveV = 5,
    kCharaFxBlink = 6,
    kCharaFxRotateA = 7,
    kCharaFxRotateB = 8,
    kCharaFxRotateDepth = 9,
    kCharaFxCircle = 10,
    kCharaFxZoom = 11,
    kCharaFxLens = 12,
    kCharaFxColour = 13,
    kCharaFxTranslucent = 14,
    kCharaFxMosaic = 15,
    kCharaFxBlur = 16,
};

// Screen-effect kinds (how the play screen is distorted for a while).
enum : int32_t {
    kScrFxNone = 0,
    kScrFxMove = 1,
    kScrFxShakeH = 2,
    kScrFxShakeV = 3,
    kScrFxSplitH = 4,
    kScrFxSplitV = 5,
    kScrFxWaveH = 6,
    kScrFxWaveV = 7,
    kScrFxBlink = 8,
    kScrFxRotate = 9,
    kScrFxCircle = 10,
    kScrFxZoom = 11,
    kScrFxLens = 12,
    kScrFxMosaic = 13,
};

// Files up to this version lack one parameter of some effect kinds.
constexpr int kEffectParamUpgradeLast = 510;

// A chara effect: a kind and five parameters. Parameter 0 is the run time
// in tenths of a second; in every kind but blink and translucency,
// parameters 1 and 2 are the start and end values the effect runs between.
// A kind outside 0..16 is kept as stored; its users treat it as none.
class cCharaEffectData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nKind = 1;
    int32_t m_nParam[5] = {};

    cCharaEffectData();
    cCharaEffectData(const cCharaEffectData&) = default;
    cCharaEffectData& operator=(const cCharaEffectData&) = default;

    // Shared by the screen effects: kind, the five parameters as one
    // block, then the name.
    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override { return ValidateAndWrite(*this, file); }
    void SetDefault();
};

// A screen effect: the same record with the screen kinds. Kind 1 moves the
// screen from (parameter 1, parameter 2) to (parameter 3, parameter 4);
// kinds 2 and 3 take a width and a count, kind 8 a blink interval, the
// others run parameter 1 to parameter 2.
class cScrEffectData : public cCharaEffectData {
public:
    cScrEffectData() = default;
    cScrEffectData(const cScrEffectData&) = default;
    cScrEffectData& operator=(const cScrEffectData&) = default;

    bool Read(DataFile* file) override;
};

// A picture the show-picture command loads.
class cPictureData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nEditorNo = 0;  // stored, not read by the player
    std::string m_strFile;

    cPictureData();
    cPictureData(const cPictureData&) = default;
    cPictureData& operator=(const cPictureData&) = default;

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    void SetDefault();
};

// A sound effect; entry k from 1 on plays in sound slot 16 + k.
class cSoundData : public cRecord {
public:
    std::string m_strName;
    std::string m_strFile;
    int32_t m_nEditorNo = 0;  // stored, not read by the player

    cSoundData();
    cSoundData(const cSoundData&) = default;
    cSoundData& operator=(const cSoundData&) = default;

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    void SetDefault();
};

// A music track; its file's extension selects the music player.
class cBgmData : public cRecord {
public:
    std::string m_strName;
    int32_t m_nEditorNo = 0;  // stored, not read by the player
    std::string m_strFile;
    int32_t m_nVolume = 100;

    cBgmData();
    cBgmData(const cBgmData&) = default;
    cBgmData& operator=(const cBgmData&) = default;

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    void SetDefault();
};

// Lists of these records grow by records holding the class defaults
// (kind 1, volume 100), not by zeroed ones.
template <>
struct ElementTraits<cCharaEffectData> : DefaultedRecord<cCharaEffectData> {};
template <>
struct ElementTraits<cScrEffectData> : DefaultedRecord<cScrEffectData> {};
template <>
struct ElementTraits<cPictureData> : DefaultedRecord<cPictureData> {};
template <>
struct ElementTraits<cSoundData> : DefaultedRecord<cSoundData> {};
template <>
struct ElementTraits<cBgmData> : DefaultedRecord<cBgmData> {};
