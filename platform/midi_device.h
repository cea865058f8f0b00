// A MIDI stream device: what the program's own MIDI player asks of the
// system's MIDI stream. The owner queues buffers of timed events; the
// device plays them in order at the time division and the current tempo and
// tells the owner's callback thread each time an event that asks for it has
// been sent. The events drive a General MIDI synthesizer whose sound is a
// source of the mixer: time moves only as the mixer pulls samples, so the
// same buffers always give the same sound at the same sample.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mix_source.h"
#include "platform/threads.h"

namespace plat {

// A buffer holds events of three 32-bit words: the delta time in ticks
// after the event before, a stream id (0) and the event word, whose top
// byte is the kind and whose low 24 bits its parameter. A long message is
// followed by its bytes, padded with zeros to a multiple of 4.
constexpr uint32_t kMidiEventShort = 0x00000000u;     // status | data1 << 8 | data2 << 16
constexpr uint32_t kMidiEventTempo = 0x01000000u;     // microseconds per quarter note
constexpr uint32_t kMidiEventNop = 0x02000000u;
constexpr uint32_t kMidiEventLong = 0x80000000u;      // byte count in the parameter
constexpr uint32_t kMidiEventCallback = 0x40000000u;  // flag: tell the owner once sent
constexpr uint32_t kMidiEventParam = 0x00FFFFFFu;
constexpr uint32_t kMidiEventRecord = 12;             // bytes of an event before a long message's bytes
inline uint32_t MidiEventKind(uint32_t word) { return word & 0xBF000000u; }

constexpr uint32_t kMidiHeaderDone = 0x1;     // played, flushed or reset: the owner may fill it again
constexpr uint32_t kMidiHeaderInQueue = 0x4;  // queued: the device reads it, the owner must not touch it

struct MidiHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;
    uint32_t bytesRecorded = 0;  // of events, a multiple of 4
    uintptr_t user = 0;
    std::atomic<uint32_t> flags{0};
    uint32_t offset = 0;  // of the event that last asked for a callback
};

// An event with the callback flag that has been sent.
struct MidiCallback {
    MidiHeader* header = nullptr;
    uint32_t offset = 0;  // in the header's data
    uint32_t event = 0;   // its event word
};

// Posted to the callback thread when callbacks wait to be taken.
constexpr uint32_t kMidiCallbackMessage = 0x3CA;

// Results of the stream's calls; MidiErrorText names them.
enum MidiResult : int {
    kMidiOk = 0,
    kMidiNotOpen = 1,
    kMidiAlreadyOpen = 2,
    kMidiBadValue = 3,
    kMidiHeaderQueued = 4,
};
const char* MidiErrorText(int result);

// The sound font every MIDI stream plays with, a host path: by default
// ORV_SOUNDFONT when set, else the General MIDI font of the TimGM6mb
// package; "" goes back to that. Streams opened afterwards use the new one.
void SetMidiSoundFont(std::string_view hostPath);
std::string MidiSoundFont();
// Loads the sound font unless that was tried already; false when it cannot
// be read, and every MIDI stream then plays silent (its timing and
// callbacks go on as ever).
bool PrepareMidiSynth();

class MidiStream final : public MixSource {
public:
    MidiStream() = default;
    ~MidiStream() override;
    MidiStream(const MidiStream&) = delete;
    MidiStream& operator=(const MidiStream&) = delete;

    // Opens the stream paused, time division 96, tempo 500000, and attaches
    // it to the mixer. Callbacks go to the message queue of that thread.
    MidiResult Open(ThreadId callbackThread);
    // Ticks per quarter note, or with the high bit set SMPTE time: the high
    // byte as a negative frame rate, the low byte ticks per frame.
    MidiResult SetTimeDivision(uint16_t division);
    // Queues a buffer behind the others.
    MidiResult Out(MidiHeader* header);
    // Starts or resumes time.
    MidiResult Restart();
    // Holds time where it is; sounding notes are released.
    MidiResult Pause();
    // Marks every queued buffer done and drops it with the callbacks not
    // taken yet, releases the notes and goes back to time 0 and the default
    // tempo, paused.
    MidiResult Stop();
    // As Stop, with every sound cut at once.
    MidiResult Reset();
    // Stops, detaches from the mixer and forgets the callback thread: no
    // callback is taken after this returns.
    MidiResult Close();

    // The oldest callback not yet taken; false when none waits.
    bool TakeCallback(MidiCallback& out);
    // Waits up to ms milliseconds of real time until every callback so far
    // has been taken and the taker has come back for more; true then.
    bool WaitCallbacksTaken(uint32_t ms);

    bool IsOpen() const;
    bool Running() const;
    // Ticks of the events sent since the start or the last stop.
    uint64_t PositionTicks() const;
    // The synthesizer sounds (a sound font was loaded).
    bool Audible() const;

    void Mix(float* out, int frames) override;

    struct Synth;

private:
    void Flush();
    void NotesOff(bool cut);
    double SamplesPerTick() const;
    // Sends every event whose time has come.
    void SendDue();
    void Send(const uint8_t* record, uint32_t word);

    mutable std::mutex m_lock;
    std::condition_variable m_takenChanged;
    Synth* m_synth = nullptr;
    bool m_open = false;
    ThreadId m_callbackThread = 0;
    uint16_t m_division = 96;
    uint32_t m_tempo = 500000;
    bool m_running = false;

    std::deque<MidiHeader*> m_queue;
    uint32_t m_at = 0;        // offset of the next event in the front buffer
    bool m_haveNext = false;  // its time is known
    uint32_t m_nextDelta = 0;
    double m_nextTime = 0;  // in mixed samples since time 0
    double m_lastTime = 0;  // of the last event sent
    int64_t m_now = 0;      // mixed samples since time 0
    uint64_t m_ticks = 0;

    std::deque<MidiCallback> m_callbacks;
    bool m_drained = true;  // the taker came back after the last one
    std::vector<float> m_scratch;
};

}  // namespace plat
