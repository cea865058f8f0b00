// Sound effects: numbered slots, each holding one or more voices of the same
// PCM wave file, so a slot can sound again before its last play has ended;
// plays rotate through the slot's voices. Slot n (0..16) is system sound n,
// slot 16 + n is Sound record n (n >= 1). The slots are made once at
// start-up and kept until shutdown.
#pragma once
#include <cstdint>
#include <vector>

#include "core/containers.h"
#include "core/program_object.h"
#include "core/text.h"
#include "platform/messages.h"
#include "platform/mixer.h"

// One sound slot. Without voices it has not been made, and playing it does
// nothing.
struct DSSOUNDDATA {
    char szName[kMaxPath] = {};            // the file it was made from
    std::vector<plat::VoiceId> vBuffers;  // nCount voices of one sound
    int nCount = 0;
    int nIndex = 0;  // the voice the next play uses
};

// One entry of the sound-file list, parallel to the slots.
struct DSSOUNDFILE {
    char szPath[kMaxPath] = {};
    int nCount = 1;   // voices
    int nVolume = 0;  // hundredths of a decibel; 0: the volume given for all
    int nFlag = 1;
};

PROGRAM_OBJECT_DECLARE(g_SoundSlots, cVector<DSSOUNDDATA>);
PROGRAM_OBJECT_DECLARE(g_SoundFiles, cVector<DSSOUNDFILE>);

// The sound-effect volume of the options' steps 0..10, in hundredths of a
// decibel: step 0 is silence, step 10 full volume.
constexpr int kSeVolumeSteps = 11;
extern const int g_SeVolumeTable[kSeVolumeSteps];

// The "fmt " chunk of a wave file as stored; fields past the chunk's end
// read 0.
struct WaveFormat {
    uint16_t wFormatTag = 0;  // 1: PCM
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

struct LoadedWave {
    WaveFormat format;
    std::vector<uint8_t> samples;  // the whole "data" chunk
};

// Opens the mixer; the format is what the program asks of the device (the
// mix itself runs at 44100 Hz stereo). Writes one report line saying so,
// and, without a device, why there is none. Never fails: without a device
// the sound is mixed unheard.
bool DS_Init(plat::WindowHandle window, int samplesPerSec, int bitsPerSample, int channels);
// Remembers both lists and makes every slot not made yet from its file
// entry, at `volume` when non-zero, else at the entry's own. A slot that
// fails stays unmade; the others are still made. 1.
int DS_CreateSoundSlots(cVector<DSSOUNDDATA>* slots, cVector<DSSOUNDFILE>* files, int volume);
// Makes one slot of `count` voices of the file; a non-zero volume is set on
// every voice.
bool DS_CreateSoundSlot(DSSOUNDDATA* slot, const char* path, int count, int volume);
// A voice of the wave file; a report line when the file cannot be loaded.
bool DS_LoadSoundBuffer(plat::VoiceId* buffer, const char* path);
// Reads a RIFF wave file of PCM sound; false (with a report line when the
// file is not one this program plays) when it cannot.
bool DS_LoadWave(const char* path, LoadedWave* wave);
// Plays the slot's next voice once from the start (flags: 0, once) and
// moves the rotation on.
void DS_PlaySound(DSSOUNDDATA* slot, int flags);
// Sets voice `buffer` of the slot to `volume`, or with `relative` 1 moves
// it by `volume`, clamped to -10000..0; the volume set, or 0 for a voice
// that does not exist.
int DS_SetVolume(DSSOUNDDATA* slot, int buffer, int volume, int relative);
int DS_GetVolume(DSSOUNDDATA* slot, int buffer);
// A new voice sharing the sound of `source`.
bool DS_DuplicateBuffer(plat::VoiceId* buffer, plat::VoiceId source);
void DS_ReleaseSoundSlot(DSSOUNDDATA* slot);
// Releases every slot of the remembered list, then closes the mixer.
void DS_Release();
