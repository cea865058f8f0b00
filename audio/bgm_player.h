// Background music per music slot (0 title, 1 world map and its menu, 2
// stage select, 3 options, 4 stage): OGG files through the layer's OGG
// player, MIDI files through the program's own MIDI player, since the
// external MIDI library the program would prefer does not exist here.
#pragma once
#include <memory>
#include <vector>

#include "audio/midi_stream.h"
#include "core/containers.h"
#include "core/program_object.h"
#include "core/text.h"
#include "platform/ogg_player.h"

constexpr int kBgmSlotCount = 5;

struct BGMTRACK {
    char szPath[kMaxPath];
    int nReserved;  // kept by the MIDI table, not used
    int nVolume;    // percent, 100 full
};

// The two track tables, preset with the default file of each slot.
extern BGMTRACK g_OggTracks[kBgmSlotCount];
extern BGMTRACK g_MidiTracks[kBgmSlotCount];

// The OGG back-end: one player per channel, one channel playing at a time.
class cVoxPlayer {
public:
    cVoxPlayer() = default;
    ~cVoxPlayer() { Release(); }
    cVoxPlayer(const cVoxPlayer&) = delete;
    cVoxPlayer& operator=(const cVoxPlayer&) = delete;

    // The player is part of the program: 1.
    int Load();
    // n players in place of those before.
    int CreateChannels(int n);
    // The track's file on the channel; 1 when it plays.
    int Play(int channel, const BGMTRACK* track, int loop, int volume);
    void Stop();
    void SetVolume(int channel, float volume);
    void Release();

    int PlayingChannel() const { return m_nPlayChannel; }
    plat::OggPlayer* Channel(int channel) const;

private:
    std::vector<std::unique_ptr<plat::OggPlayer>> m_vVox;
    int m_nPlayChannel = -1;
};

// The external MIDI library and its player. The library cannot exist on
// this system, so loading always fails and MIDI goes to the own player.
class cGgs4Dll {
public:
    // 0 loaded, 1 it cannot be.
    static int Load() { return 1; }
    static void Free() {}
};

class cGgsPlayer {
public:
    int Open(int directMusic);
    void Stop(int) {}
    int Play(int, const char*, int, int) { return 0; }
};

class cBgmPlayer {
public:
    cBgmPlayer() = default;
    ~cBgmPlayer() { Release(); }
    cBgmPlayer(const cBgmPlayer&) = delete;
    cBgmPlayer& operator=(const cBgmPlayer&) = delete;

    int Init(int channels, BGMTRACK* oggTable, BGMTRACK* midiTable, int slots, int directMusic);
    int SetChannels(int n);
    // Assigns the file and volume to the slot by the file's extension: 1
    // for "mid"/"MID" (stored as "mid") or "ogg"/"OGG", 0 for any other.
    int SetTrack(int slot, const char* path, int volume);
    int Play(int channel, int slot, int loop, int stopFlag, int force);
    void Stop();
    int Release();

    bool Initialised() const { return m_bInit != 0; }
    int CurrentSlot() const { return m_nCurSlot; }
    int SlotType(int slot) const { return m_vSlotType.At(slot); }
    const cVoxPlayer& Vox() const { return m_Vox; }
    const cMidiPlayerList& MidiPlayers() const { return m_MidiPlayers; }

private:
    int PlayMidi(int channel, int slot, int loop);
    void StopMidi(int pause);

    int m_bInit = 0;
    cVoxPlayer m_Vox;
    BGMTRACK* m_pOggTable = nullptr;
    int m_bUseGgs = 0;
    cGgsPlayer m_Ggs;
    cMidiPlayerList m_MidiPlayers;
    BGMTRACK* m_pMidiTable = nullptr;
    int m_nCurSlot = -1;
    cVector<int32_t> m_vSlotType;  // 0 other kind, 1 OGG, 2 MIDI
};

PROGRAM_OBJECT_DECLARE(g_BgmPlayer, cBgmPlayer);
