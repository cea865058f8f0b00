// The program's own MIDI player: the merged image of a standard MIDI file
// sent to the layer's MIDI stream in two alternating buffers, refilled by a
// callback thread of the player as the stream plays them; the song's end
// stops it and, when looping, starts it again.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/smf_file.h"
#include "core/thread.h"
#include "platform/midi_device.h"

constexpr int kMidiHeaderCount = 2;
constexpr uint32_t kMidiBufferSize = 24000;
// The event parameter of the song's end marker.
constexpr uint32_t kMidiEndMarker = 0x2FFF;

class cMidiStream : public cSmfFile {
public:
    // Reads the file; with an image, opens the stream with the first buffer
    // queued, paused.
    explicit cMidiStream(const char* path);
    ~cMidiStream() override;

    // Starts or resumes the song; loop: start again at its end.
    void Restart(int loop);
    // 1: pauses a playing song; 0: stops and rewinds it, the first buffer
    // queued again.
    void Pause(int pause);
    // Fills the next buffer from the read offset and queues it, unless the
    // song is all queued or that buffer is still queued.
    void OutBuffer();
    // Converts events from the image at offset into the header's buffer
    // while they fit; the bytes of the image taken.
    uint32_t FillBuffer(uint32_t offset, plat::MidiHeader& header);
    // Served on the callback thread: the callbacks the stream has.
    void OnCallbacks();

    // Waits up to ms milliseconds of real time until the callback thread has
    // handled every callback the stream has given.
    bool WaitCallbacksHandled(uint32_t ms);

    enum : int { kStopped = 0, kPlaying = 1, kPaused = 2 };
    int State() const { return m_nState; }
    uint32_t ReadOffset() const { return m_nReadOffset; }
    int NextHeader() const { return m_nNextHeader; }
    const plat::MidiHeader& Header(int i) const { return m_aHeader[i]; }
    const plat::MidiStream& Stream() const { return m_Stream; }
    uint32_t ImageEnd() const;

private:
    void Open();
    void RestartLocked(int loop);
    void PauseLocked(int pause);
    void OutBufferLocked();
    bool Exhausted() const { return m_nReadOffset >= ImageEnd(); }
    void Check(const char* call, plat::MidiResult result) const;

    std::mutex m_Lock;  // the window's thread against the callback thread
    int m_nNextHeader = 0;
    plat::MidiStream m_Stream;
    plat::MidiHeader m_aHeader[kMidiHeaderCount];
    std::vector<uint8_t> m_vBuffer[kMidiHeaderCount];
    uint32_t m_nReadOffset = kSmfImageHeader;
    int m_nState = kStopped;
    cThread m_Thread;
    int m_bLoop = 0;
    bool m_bOpen = false;
    bool m_bClosing = false;
    bool m_bSysExReported = false;
};

// The end of the events of a merged image: behind its track, within it.
uint32_t SmfImageEnd(const std::vector<uint8_t>& image);
// The conversion of FillBuffer, from any merged image; `oversized` gets the
// length of the first system-exclusive message left out as too large for
// any buffer (0: none).
uint32_t FillMidiBuffer(const std::vector<uint8_t>& image, uint32_t offset, plat::MidiHeader& header,
                        uint32_t* oversized);

// The thread that hears the stream's callbacks of one player.
unsigned MidiCallbackThread(void* player);

// One own MIDI player per music channel.
class cMidiPlayerList {
public:
    cMidiPlayerList() = default;
    ~cMidiPlayerList() = default;
    cMidiPlayerList(const cMidiPlayerList&) = delete;
    cMidiPlayerList& operator=(const cMidiPlayerList&) = delete;

    // Pause or stop on every player there is.
    void Stop(int pause);
    // The file on the channel's player, in place of every player before: 1
    // when it plays, 0 when it is no ".mid" file or cannot be read.
    int Play(int channel, const char* path, int loop);
    // Channels without a player.
    void Resize(int channels);
    // Deletes every player and every channel.
    void Clear() { m_vPlayers.clear(); }
    int Size() const { return static_cast<int>(m_vPlayers.size()); }
    cMidiStream* Player(int channel) const;

private:
    std::vector<std::unique_ptr<cMidiStream>> m_vPlayers;
};
