#include "audio/bgm_player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/report_log.h"
#include "platform/midi_device.h"

PROGRAM_OBJECT_DEFINE(g_BgmPlayer, cBgmPlayer);

BGMTRACK g_OggTracks[kBgmSlotCount] = {
    {"bgm\\Title.ogg", 0, 0},  {"bgm\\WorldMap.ogg", 0, 0}, {"bgm\\Challenge.ogg", 0, 0},
    {"bgm\\Option.ogg", 0, 0}, {"bgm\\Stage.ogg", 0, 0},
};
BGMTRACK g_MidiTracks[kBgmSlotCount] = {
    {"bgm\\Title.mid", 0, 0},  {"bgm\\WorldMap.mid", 0, 0}, {"bgm\\Challenge.mid", 0, 0},
    {"bgm\\Option.mid", 0, 0}, {"bgm\\Stage.mid", 0, 0},
};

namespace {

void SetEntry(BGMTRACK& entry, const char* path, int volume) {
    std::snprintf(entry.szPath, sizeof entry.szPath, "%s", path);
    entry.nVolume = volume;
}

}  // namespace

// ---------------------------------------------------------------------------
// OGG

int cVoxPlayer::Load() { return 1; }

int cVoxPlayer::CreateChannels(int n) {
    Release();
    for (int i = 0; i < n; ++i) m_vVox.push_back(std::make_unique<plat::OggPlayer>());
    return 1;
}

plat::OggPlayer* cVoxPlayer::Channel(int channel) const {
    if (channel < 0 || channel >= static_cast<int>(m_vVox.size())) return nullptr;
    return m_vVox[static_cast<size_t>(channel)].get();
}

int cVoxPlayer::Play(int channel, const BGMTRACK* track, int loop, int volume) {
    if (!track || track->szPath[0] == '\0') return 0;
    plat::OggPlayer* vox = Channel(channel);
    if (!vox) return 0;
    Stop();
    vox->Close();
    if (!vox->Load(track->szPath)) {
        m_nPlayChannel = -1;
        return 0;
    }
    // Always set, so a track at full volume after a quieter one is heard
    // at full volume.
    vox->SetVolume(static_cast<float>(std::clamp(volume, 0, 100)) * 0.01f);
    vox->SetLoop(loop ? plat::kOggLoopEndless : 0);
    vox->Play();
    m_nPlayChannel = channel;
    return 1;
}

void cVoxPlayer::Stop() {
    if (plat::OggPlayer* vox = Channel(m_nPlayChannel)) vox->Stop();
    m_nPlayChannel = -1;
}

void cVoxPlayer::SetVolume(int channel, float volume) {
    if (plat::OggPlayer* vox = Channel(channel)) vox->SetVolume(volume);
}

void cVoxPlayer::Release() {
    m_vVox.clear();
    m_nPlayChannel = -1;
}

// ---------------------------------------------------------------------------
// The external MIDI library

int cGgsPlayer::Open(int) {
    // The library is loaded by 0; the device would be opened next.
    return cGgs4Dll::Load() == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// The manager

int cBgmPlayer::Init(int channels, BGMTRACK* oggTable, BGMTRACK* midiTable, int slots, int directMusic) {
    m_bInit = 1;
    m_bUseGgs = m_Ggs.Open(directMusic);
    if (!m_bUseGgs) m_MidiPlayers.Clear();
    if (!m_Vox.Load()) {
        // Half set up it could not serve a request: it stays unused.
        m_bInit = 0;
        return 0;
    }
    SetChannels(channels);
    m_pOggTable = oggTable;
    m_pMidiTable = midiTable;
    m_vSlotType.assign(static_cast<size_t>(std::max(slots, 0)), 0);
    m_nCurSlot = -1;
    static bool fontReported = false;
    if (!m_bUseGgs && !plat::PrepareMidiSynth() && !fontReported) {
        fontReported = true;
        WriteReport("Midi SoundFont %s が読み込めないのでMIDIは鳴りません", plat::MidiSoundFont().c_str());
    }
    return 1;
}

int cBgmPlayer::SetChannels(int n) {
    if (!m_bUseGgs) m_MidiPlayers.Resize(n);
    m_Vox.CreateChannels(n);
    return 1;
}

int cBgmPlayer::SetTrack(int slot, const char* path, int volume) {
    if (!m_bInit) return 1;
    int32_t& type = m_vSlotType.At(slot);
    // A slot outside is reported by the line above and takes slot 0.
    const int index = slot >= 0 && slot < m_vSlotType.Size() ? slot : 0;
    if (!m_pOggTable || !m_pMidiTable) return 0;
    BGMTRACK& ogg = m_pOggTable[index];
    BGMTRACK& midi = m_pMidiTable[index];
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot) {
        SetEntry(ogg, "", 0);
        SetEntry(midi, "", 0);
        type = 0;
        return 0;
    }
    const char* ext = dot + 1;
    if (std::strcmp(ext, "mid") == 0 || std::strcmp(ext, "MID") == 0) {
        SetEntry(midi, path, volume);
        // The disk may tell letter cases apart: the file is looked for as
        // ".mid".
        const size_t at = static_cast<size_t>(ext - path);
        if (at + 3 < sizeof midi.szPath) std::memcpy(midi.szPath + at, "mid", 3);
        type = 2;
        return 1;
    }
    if (std::strcmp(ext, "ogg") == 0 || std::strcmp(ext, "OGG") == 0) {
        SetEntry(ogg, path, volume);
        type = 1;
        return 1;
    }
    SetEntry(ogg, path, volume);
    SetEntry(midi, path, volume);
    type = 0;
    return 0;
}

int cBgmPlayer::PlayMidi(int channel, int slot, int loop) {
    const BGMTRACK& midi = m_pMidiTable[slot];
    if (m_bUseGgs) return m_Ggs.Play(channel, midi.szPath, loop, midi.nVolume);
    return m_MidiPlayers.Play(channel, midi.szPath, loop);
}

void cBgmPlayer::StopMidi(int pause) {
    if (m_bUseGgs)
        m_Ggs.Stop(pause);
    else
        m_MidiPlayers.Stop(pause);
}

int cBgmPlayer::Play(int channel, int slot, int loop, int stopFlag, int force) {
    if (!m_bInit) return 1;
    if (slot == m_nCurSlot && force == 0) return 1;
    m_nCurSlot = slot;
    const int type = m_vSlotType.At(slot);
    const int index = slot >= 0 && slot < m_vSlotType.Size() ? slot : 0;
    if (m_pOggTable && m_pMidiTable) {
        const BGMTRACK* ogg = &m_pOggTable[index];
        switch (type) {
        case 0:
            if (m_Vox.Play(channel, ogg, loop, ogg->nVolume)) {
                StopMidi(stopFlag);
                return 1;
            }
            if (PlayMidi(channel, index, loop)) {
                m_Vox.Stop();
                return 1;
            }
            break;
        case 1:
            if (m_Vox.Play(channel, ogg, loop, ogg->nVolume)) {
                StopMidi(0);
                return 1;
            }
            break;
        case 2:
            if (PlayMidi(channel, index, loop)) {
                m_Vox.Stop();
                return 1;
            }
            break;
        default: break;
        }
    }
    m_nCurSlot = -1;
    m_Vox.Stop();
    StopMidi(0);
    return 0;
}

void cBgmPlayer::Stop() {
    if (!m_bInit) return;
    StopMidi(0);
    m_Vox.Stop();
}

int cBgmPlayer::Release() {
    if (!m_bInit) return 0;
    m_Vox.Release();
    if (m_bUseGgs)
        cGgs4Dll::Free();
    else
        m_MidiPlayers.Clear();
    m_bInit = 0;
    return 1;
}
