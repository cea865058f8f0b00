#include "platform/midi_device.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/byte_order.h"

namespace plat {

struct MidiStream::Synth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
};

namespace {

constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Output gain of the synthesizer: a General MIDI song comes out about as
// loud as the OGG music the same games bring.
constexpr double kSynthGain = 0.9;
constexpr uint32_t kDefaultTempo = 500000;

// Synthesizers with the sound font loaded, kept for the next stream: a
// music change must not read the font again.
struct SynthPool {
    std::mutex lock;
    std::string font;  // "" until set or asked
    int fontState = 0;  // 0 not tried, 1 loaded, -1 missing
    std::vector<MidiStream::Synth*> idle;
};

// Never destroyed: a stream may still give its synthesizer back at exit.
SynthPool& Pool() {
    static auto* pool = new SynthPool;
    return *pool;
}

const std::string& FontPath(SynthPool& pool) {
    if (pool.font.empty()) {
        const char* env = std::getenv("ORV_SOUNDFONT");
        pool.font = env && *env ? env : kDefaultSoundFont;
    }
    return pool.font;
}

void DeleteSynth(MidiStream::Synth* s) {
    if (!s) return;
    if (s->synth) delete_fluid_synth(s->synth);
    if (s->settings) delete_fluid_settings(s->settings);
    delete s;
}

// A synthesizer with the font, or null when the font cannot be read.
// Called with the pool locked.
MidiStream::Synth* NewSynth(SynthPool& pool) {
    if (pool.fontState < 0) return nullptr;
    static const bool quiet = [] {
        // The library would print its complaints to the terminal; the
        // program reports what it must itself.
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) fluid_set_log_function(level, nullptr, nullptr);
        return true;
    }();
    (void)quiet;
    auto* s = new MidiStream::Synth;
    s->settings = new_fluid_settings();
    if (s->settings) {
        fluid_settings_setnum(s->settings, "synth.sample-rate", kMixRate);
        fluid_settings_setnum(s->settings, "synth.gain", kSynthGain);
        // One stream at a time uses a synthesizer, under the stream's lock.
        fluid_settings_setint(s->settings, "synth.threadsafe-api", 0);
        fluid_settings_setint(s->settings, "synth.cpu-cores", 1);
        fluid_settings_setint(s->settings, "synth.lock-memory", 0);
        s->synth = new_fluid_synth(s->settings);
    }
    if (!s->synth || fluid_synth_sfload(s->synth, FontPath(pool).c_str(), 1) == FLUID_FAILED) {
        DeleteSynth(s);
        pool.fontState = -1;
        return nullptr;
    }
    pool.fontState = 1;
    return s;
}

MidiStream::Synth* TakeSynth() {
    SynthPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    if (!pool.idle.empty()) {
        MidiStream::Synth* s = pool.idle.back();
        pool.idle.pop_back();
        return s;
    }
    return NewSynth(pool);
}

void GiveBackSynth(MidiStream::Synth* s) {
    if (!s) return;
    fluid_synth_system_reset(s->synth);
    SynthPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    pool.idle.push_back(s);
}

}  // namespace

const char* MidiErrorText(int result) {
    switch (result) {
    case kMidiOk: return "no error";
    case kMidiNotOpen: return "the MIDI stream is not open";
    case kMidiAlreadyOpen: return "the MIDI stream is open already";
    case kMidiBadValue: return "a value the MIDI stream cannot take";
    case kMidiHeaderQueued: return "the buffer is still queued";
    default: return "unknown MIDI stream error";
    }
}

void SetMidiSoundFont(std::string_view hostPath) {
    std::vector<MidiStream::Synth*> gone;
    {
        SynthPool& pool = Pool();
        std::lock_guard<std::mutex> hold(pool.lock);
        pool.font = std::string(hostPath);
        pool.fontState = 0;
        gone.swap(pool.idle);
    }
    for (MidiStream::Synth* s : gone) DeleteSynth(s);
}

std::string MidiSoundFont() {
    SynthPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    return FontPath(pool);
}

bool PrepareMidiSynth() {
    SynthPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    if (pool.fontState == 0) {
        if (MidiStream::Synth* s = NewSynth(pool)) pool.idle.push_back(s);
    }
    return pool.fontState > 0;
}

// ---------------------------------------------------------------------------

MidiStream::~MidiStream() { Close(); }

MidiResult MidiStream::Open(ThreadId callbackThread) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_open) return kMidiAlreadyOpen;
        m_open = true;
        m_callbackThread = callbackThread;
        m_division = 96;
        m_tempo = kDefaultTempo;
        m_running = false;
        m_now = 0;
        m_lastTime = 0;
        m_ticks = 0;
        m_haveNext = false;
        m_at = 0;
        m_drained = true;
        m_synth = TakeSynth();
    }
    AttachMixSource(this);
    return kMidiOk;
}

MidiResult MidiStream::SetTimeDivision(uint16_t division) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    if (division & 0x8000) {
        const int frames = -static_cast<int8_t>(division >> 8);
        if (frames <= 0 || (division & 0xFF) == 0) return kMidiBadValue;
    } else if (division == 0) {
        return kMidiBadValue;
    }
    m_division = division;
    return kMidiOk;
}

MidiResult MidiStream::Out(MidiHeader* header) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    if (!header || (!header->data && header->bytesRecorded) || header->bytesRecorded > header->bufferLength ||
        header->bytesRecorded % 4 != 0)
        return kMidiBadValue;
    if (header->flags.load() & kMidiHeaderInQueue) return kMidiHeaderQueued;
    header->flags.store(kMidiHeaderInQueue);
    m_queue.push_back(header);
    return kMidiOk;
}

MidiResult MidiStream::Restart() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    m_running = true;
    return kMidiOk;
}

MidiResult MidiStream::Pause() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    m_running = false;
    NotesOff(false);
    return kMidiOk;
}

MidiResult MidiStream::Stop() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    Flush();
    NotesOff(false);
    return kMidiOk;
}

MidiResult MidiStream::Reset() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open) return kMidiNotOpen;
    Flush();
    NotesOff(true);
    return kMidiOk;
}

MidiResult MidiStream::Close() {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (!m_open) return kMidiNotOpen;
        Flush();
        m_open = false;
        m_callbackThread = 0;
        m_callbacks.clear();
        m_drained = true;
        m_takenChanged.notify_all();
    }
    // Outside the lock: the mixer may be in Mix, waiting for it.
    DetachMixSource(this);
    Synth* synth = nullptr;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        synth = std::exchange(m_synth, nullptr);
    }
    GiveBackSynth(synth);
    return kMidiOk;
}

bool MidiStream::TakeCallback(MidiCallback& out) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_callbacks.empty()) {
        m_drained = true;
        m_takenChanged.notify_all();
        return false;
    }
    out = m_callbacks.front();
    m_callbacks.pop_front();
    return true;
}

bool MidiStream::WaitCallbacksTaken(uint32_t ms) {
    std::unique_lock<std::mutex> hold(m_lock);
    return m_takenChanged.wait_for(hold, std::chrono::milliseconds(ms),
                                   [this] { return m_callbacks.empty() && m_drained; });
}

bool MidiStream::IsOpen() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_open;
}

bool MidiStream::Running() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_running;
}

uint64_t MidiStream::PositionTicks() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_ticks;
}

bool MidiStream::Audible() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_synth != nullptr;
}

void MidiStream::Flush() {
    for (MidiHeader* h : m_queue) h->flags.store(kMidiHeaderDone);
    m_queue.clear();
    // What was sent before is over: a callback of it taken after the stop
    // would act on a song that no longer plays.
    m_callbacks.clear();
    m_at = 0;
    m_haveNext = false;
    m_running = false;
    m_now = 0;
    m_lastTime = 0;
    m_ticks = 0;
    m_tempo = kDefaultTempo;
}

void MidiStream::NotesOff(bool cut) {
    if (!m_synth) return;
    for (int ch = 0; ch < 16; ++ch) {
        fluid_synth_cc(m_synth->synth, ch, 64, 0);  // a held pedal would keep them
        if (cut)
            fluid_synth_all_sounds_off(m_synth->synth, ch);
        else
            fluid_synth_all_notes_off(m_synth->synth, ch);
    }
}

double MidiStream::SamplesPerTick() const {
    if (m_division & 0x8000) {
        const int frames = -static_cast<int8_t>(m_division >> 8);
        return static_cast<double>(kMixRate) / (frames * (m_division & 0xFF));
    }
    return static_cast<double>(m_tempo) * kMixRate / (1e6 * m_division);
}

void MidiStream::Send(const uint8_t* record, uint32_t word) {
    const uint32_t kind = MidiEventKind(word);
    const uint32_t param = word & kMidiEventParam;
    if (kind == kMidiEventTempo) {
        if (param != 0) m_tempo = param;
        return;
    }
    if (!m_synth) return;
    fluid_synth_t* synth = m_synth->synth;
    if (kind == kMidiEventLong) {
        // Only a whole system-exclusive message goes to the synthesizer,
        // without its framing bytes.
        const uint8_t* bytes = record + kMidiEventRecord;
        uint32_t n = param;
        if (n < 2 || bytes[0] != 0xF0) return;
        if (bytes[n - 1] == 0xF7) --n;
        fluid_synth_sysex(synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(n - 1), nullptr, nullptr,
                          nullptr, 0);
        return;
    }
    if (kind != kMidiEventShort) return;
    const int status = static_cast<int>(param & 0xFF);
    const int ch = status & 0x0F;
    const int d1 = static_cast<int>(param >> 8) & 0x7F;
    const int d2 = static_cast<int>(param >> 16) & 0x7F;
    // Anything but a channel message (a song's end marker among them)
    // sends nothing.
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, ch, d1); break;
    case 0x90:
        if (d2 == 0)
            fluid_synth_noteoff(synth, ch, d1);
        else
            fluid_synth_noteon(synth, ch, d1, d2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth, ch, d1, d2); break;
    case 0xB0: fluid_synth_cc(synth, ch, d1, d2); break;
    case 0xC0: fluid_synth_program_change(synth, ch, d1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, ch, d1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, ch, d1 | d2 << 7); break;
    default: break;
    }
}

void MidiStream::SendDue() {
    while (!m_queue.empty()) {
        MidiHeader* h = m_queue.front();
        const uint32_t size = h->bytesRecorded;
        uint32_t length = 0;
        uint32_t word = 0;
        if (m_at + kMidiEventRecord <= size) {
            word = LoadLe32(h->data + m_at + 8);
            length = kMidiEventRecord;
            if (MidiEventKind(word) == kMidiEventLong) length += ((word & kMidiEventParam) + 3) & ~3u;
        }
        if (length == 0 || length > size - m_at) {
            // The rest cannot be an event: the buffer has been played.
            h->flags.store(kMidiHeaderDone);
            m_queue.pop_front();
            m_at = 0;
            continue;
        }
        if (!m_haveNext) {
            m_nextDelta = LoadLe32(h->data + m_at);
            m_nextTime = m_lastTime + m_nextDelta * SamplesPerTick();
            m_haveNext = true;
        }
        if (m_nextTime >= static_cast<double>(m_now) + 1.0) return;
        Send(h->data + m_at, word);
        m_lastTime = m_nextTime;
        m_ticks += m_nextDelta;
        m_haveNext = false;
        const uint32_t at = m_at;
        m_at += length;
        // A buffer is done once its last event is sent, before its owner
        // hears of that event.
        if (m_at >= size) {
            h->flags.store(kMidiHeaderDone);
            m_queue.pop_front();
            m_at = 0;
        }
        if (word & kMidiEventCallback) {
            h->offset = at;
            m_callbacks.push_back(MidiCallback{h, at, word});
            m_drained = false;
            PostThreadMessage(m_callbackThread, kMidiCallbackMessage, 0, reinterpret_cast<intptr_t>(h));
        }
    }
}

void MidiStream::Mix(float* out, int frames) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_open || !out) return;
    int done = 0;
    while (done < frames) {
        int chunk = frames - done;
        if (m_running) {
            SendDue();
            if (m_haveNext) {
                const double until = std::ceil(m_nextTime - static_cast<double>(m_now));
                if (until >= 1.0 && until < chunk) chunk = static_cast<int>(until);
            }
        }
        if (m_synth && (m_running || fluid_synth_get_active_voice_count(m_synth->synth) > 0)) {
            if (m_scratch.size() < static_cast<size_t>(chunk) * 2) m_scratch.resize(static_cast<size_t>(chunk) * 2);
            fluid_synth_write_float(m_synth->synth, chunk, m_scratch.data(), 0, 2, m_scratch.data(), 1, 2);
            float* to = out + static_cast<ptrdiff_t>(done) * 2;
            for (int i = 0; i < chunk * 2; ++i) to[i] += m_scratch[static_cast<size_t>(i)];
        }
        if (m_running) m_now += chunk;
        done += chunk;
    }
}

}  // namespace plat
