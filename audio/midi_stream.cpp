#include "audio/midi_stream.h"

#include <algorithm>
#include <cstring>

#include "core/report_log.h"
#include "platform/byte_order.h"
#include "platform/clock.h"
#include "platform/shell.h"

namespace {

// How long the destructor's stop of the callback thread may wait.
constexpr uint32_t kCallbackPollMs = 1000;

}  // namespace

cMidiStream::cMidiStream(const char* path) : cSmfFile(path) {
    if (HasImage()) Open();
}

cMidiStream::~cMidiStream() {
    if (!m_bOpen) return;
    {
        std::lock_guard<std::mutex> hold(m_Lock);
        m_bClosing = true;
        Check("Reset", m_Stream.Reset());
        Check("Close", m_Stream.Close());
    }
    // Not under the lock: the thread may be waiting for it to hear that
    // the player closes.
    m_Thread.Exit();
}

uint32_t SmfImageEnd(const std::vector<uint8_t>& image) {
    if (image.size() < static_cast<size_t>(kSmfImageHeader)) return kSmfImageHeader;
    const uint64_t length = plat::LoadBe32(image.data() + 18);
    return static_cast<uint32_t>(std::min<uint64_t>(kSmfImageHeader + length, image.size()));
}

uint32_t cMidiStream::ImageEnd() const { return SmfImageEnd(m_vImage); }

void cMidiStream::Check(const char* call, plat::MidiResult result) const {
    if (result != plat::kMidiOk)
        WriteReportDebug("Midi %s %s %s", m_strName.c_str(), call, plat::MidiErrorText(result));
}

void cMidiStream::Open() {
    m_nNextHeader = 0;
    for (int i = 0; i < kMidiHeaderCount; ++i) {
        m_vBuffer[i].assign(kMidiBufferSize, 0);
        m_aHeader[i].data = m_vBuffer[i].data();
        m_aHeader[i].bufferLength = kMidiBufferSize;
        m_aHeader[i].user = static_cast<uintptr_t>(i);
    }
    if (!m_Thread.Start(MidiCallbackThread, this)) {
        // Without the thread the song could never go past its first buffer.
        WriteReportDebug("Midi %s Open %s", m_strName.c_str(), "the callback thread cannot be started");
        m_vImage.clear();
        return;
    }
    // The queue of a thread of ours exists before it runs: the first post
    // normally succeeds.
    for (int tries = 0; tries < 1000 && !plat::PostThreadMessage(m_Thread.ThreadId(), plat::kWmApp); ++tries)
        plat::SleepMs(1);
    std::lock_guard<std::mutex> hold(m_Lock);
    const plat::MidiResult opened = m_Stream.Open(m_Thread.ThreadId());
    Check("Open", opened);
    m_bOpen = opened == plat::kMidiOk;
    if (!m_bOpen) {
        m_vImage.clear();
        return;
    }
    Check("Property", m_Stream.SetTimeDivision(static_cast<uint16_t>(m_vImage[12] << 8 | m_vImage[13])));
    m_nReadOffset = kSmfImageHeader;
    m_nState = kStopped;
    OutBufferLocked();
}

void cMidiStream::Restart(int loop) {
    std::lock_guard<std::mutex> hold(m_Lock);
    RestartLocked(loop);
}

void cMidiStream::Pause(int pause) {
    std::lock_guard<std::mutex> hold(m_Lock);
    PauseLocked(pause);
}

void cMidiStream::OutBuffer() {
    std::lock_guard<std::mutex> hold(m_Lock);
    OutBufferLocked();
}

void cMidiStream::RestartLocked(int loop) {
    if (!HasImage() || !m_bOpen) return;
    m_bLoop = loop;
    if (m_nState == kPlaying) return;
    Check("Restart", m_Stream.Restart());
    const int was = m_nState;
    m_nState = kPlaying;
    if (was == kStopped && !Exhausted()) OutBufferLocked();
}

void cMidiStream::PauseLocked(int pause) {
    if (!HasImage() || !m_bOpen) return;
    if (pause) {
        if (m_nState == kPlaying) {
            Check("Pause", m_Stream.Pause());
            m_nState = kPaused;
        }
        return;
    }
    Check("Stop", m_Stream.Stop());
    m_nState = kStopped;
    m_nReadOffset = kSmfImageHeader;
    OutBufferLocked();
}

void cMidiStream::OutBufferLocked() {
    if (!m_bOpen || Exhausted()) return;
    plat::MidiHeader& header = m_aHeader[m_nNextHeader];
    if (header.flags.load() & plat::kMidiHeaderInQueue) return;
    const uint32_t taken = FillBuffer(m_nReadOffset, header);
    // Nothing taken means nothing more can be: the rest is done with.
    m_nReadOffset = taken ? m_nReadOffset + taken : ImageEnd();
    if (header.bytesRecorded == 0) return;
    Check("Out", m_Stream.Out(&header));
    m_nNextHeader = (m_nNextHeader + 1) % kMidiHeaderCount;
}

uint32_t cMidiStream::FillBuffer(uint32_t offset, plat::MidiHeader& header) {
    uint32_t oversized = 0;
    const uint32_t taken = FillMidiBuffer(m_vImage, offset, header, &oversized);
    if (oversized != 0 && !m_bSysExReported) {
        WriteReportDebug("Midi %s SysEx %u バイトは大きすぎるので送りません", m_strName.c_str(), oversized);
        m_bSysExReported = true;
    }
    return taken;
}

uint32_t FillMidiBuffer(const std::vector<uint8_t>& merged, uint32_t offset, plat::MidiHeader& header,
                        uint32_t* oversized) {
    uint8_t* const out = header.data;
    const uint32_t capacity = header.bufferLength;
    std::memset(out, 0, capacity);
    const uint8_t* const image = merged.data();
    const uint32_t end = SmfImageEnd(merged);
    uint32_t pos = offset;
    uint32_t taken = offset;  // behind the last event written
    uint32_t written = 0;
    int64_t last = -1;      // the last event written
    uint64_t carried = 0;   // ticks of events passed over since
    while (pos < end) {
        uint32_t delta = 0;
        const int n = cSmfFile::ReadVarLen(image + pos, image + end, &delta);
        if (n == 0) break;
        const uint32_t at = pos + static_cast<uint32_t>(n);  // the status
        if (at >= end) break;
        const uint8_t status = image[at];
        uint32_t word = 0;
        uint32_t record = plat::kMidiEventRecord;
        uint32_t source = 0;  // bytes of the event from its status on
        bool pass = false;
        bool endMarker = false;
        uint32_t longLength = 0;
        uint32_t longData = 0;
        if (status == 0xFF) {
            if (at + 1 >= end) break;
            uint32_t length = 0;
            const int m = cSmfFile::ReadVarLen(image + at + 2, image + end, &length);
            if (m == 0) break;
            source = 2 + static_cast<uint32_t>(m) + length;
            const uint8_t type = image[at + 1];
            if (type == 0x51 && length == 3 && at + 6 <= end) {
                word = plat::kMidiEventTempo | image[at + 3] << 16 | image[at + 4] << 8 | image[at + 5];
            } else if (type == 0x2F && image[at + 2] == 0) {
                // Only FF 2F 00 ends the song, as the reader takes it: a zero
                // length written in more bytes is an ordinary meta event.
                word = plat::kMidiEventCallback | kMidiEndMarker;
                endMarker = true;
            } else {
                // Names, markers, lyrics and the like: nothing to send, but
                // their time goes on to the next event.
                pass = true;
            }
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            const int m = cSmfFile::ReadVarLen(image + at + 1, image + end, &length);
            if (m == 0) break;
            source = 1 + static_cast<uint32_t>(m) + length;
            longData = at + 1 + static_cast<uint32_t>(m);
            longLength = length + 1;
            const uint64_t need = plat::kMidiEventRecord + ((static_cast<uint64_t>(longLength) + 3) & ~uint64_t{3});
            if (need > capacity) {
                // No buffer could ever hold it: rather than end the song
                // there, it is left out and the song goes on.
                if (oversized && *oversized == 0) *oversized = length;
                pass = true;
            } else {
                word = plat::kMidiEventLong | longLength;
                record = static_cast<uint32_t>(need);
            }
        } else if (status >= 0xC0 && status <= 0xDF) {
            source = 2;
            if (at + source <= end) word = status | image[at + 1] << 8;
        } else {
            source = 3;
            if (at + source <= end) word = status | image[at + 1] << 8 | image[at + 2] << 16;
        }
        if (source > end - at) break;
        if (pass) {
            carried += delta;
            pos = at + source;
            continue;
        }
        if (written + record > capacity) break;  // the next buffer takes it
        uint8_t* e = out + written;
        plat::StoreLe32(e, static_cast<uint32_t>(std::min<uint64_t>(delta + carried, 0xFFFFFFFFu)));
        plat::StoreLe32(e + 4, 0);
        plat::StoreLe32(e + 8, word);
        if (longLength != 0) {
            e[12] = status;
            std::memcpy(e + 13, image + longData, longLength - 1);
        }
        carried = 0;
        last = written;
        written += record;
        pos = at + source;
        taken = pos;
        if (endMarker) break;
    }
    if (last >= 0) {
        uint8_t* w = out + last + 8;
        plat::StoreLe32(w, plat::LoadLe32(w) | plat::kMidiEventCallback);
    }
    header.bytesRecorded = written;
    header.flags.store(0);
    header.offset = 0;
    return taken - offset;
}

void cMidiStream::OnCallbacks() {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_bClosing) return;
    plat::MidiCallback callback;
    while (m_Stream.TakeCallback(callback)) {
        if ((callback.event & plat::kMidiEventParam) == kMidiEndMarker) {
            // A song paused by its owner meanwhile stays paused, rewound.
            const bool playing = m_nState == kPlaying;
            PauseLocked(0);
            if (m_bLoop && playing) RestartLocked(1);
        } else if (!Exhausted()) {
            OutBufferLocked();
        }
    }
}

bool cMidiStream::WaitCallbacksHandled(uint32_t ms) {
    if (!m_bOpen) return true;
    if (!m_Stream.WaitCallbacksTaken(ms)) return false;
    // The last one taken may still be at work.
    std::lock_guard<std::mutex> hold(m_Lock);
    return true;
}

unsigned MidiCallbackThread(void* player) {
    auto* stream = static_cast<cMidiStream*>(player);
    for (;;) {
        plat::Message m;
        if (!plat::WaitThreadMessage(m, kCallbackPollMs)) {
            if (plat::StopRequested()) return 0;
            continue;
        }
        if (m.id == plat::kWmQuit) return 0;
        if (m.id == plat::kMidiCallbackMessage) stream->OnCallbacks();
    }
}

// ---------------------------------------------------------------------------

void cMidiPlayerList::Stop(int pause) {
    for (auto& player : m_vPlayers)
        if (player) player->Pause(pause);
}

int cMidiPlayerList::Play(int channel, const char* path, int loop) {
    Stop(1);
    for (auto& player : m_vPlayers) player.reset();
    const char* dot = path ? std::strrchr(path, '.') : nullptr;
    if (!dot || std::strcmp(dot + 1, "mid") != 0) return 0;
    if (channel < 0 || channel >= Size()) return 0;
    auto& player = m_vPlayers[static_cast<size_t>(channel)];
    player = std::make_unique<cMidiStream>(path);
    // A player without a song stays until the next play.
    if (!player->HasImage()) return 0;
    player->Restart(loop);
    return 1;
}

void cMidiPlayerList::Resize(int channels) {
    m_vPlayers.resize(static_cast<size_t>(std::max(channels, 0)));
}

cMidiStream* cMidiPlayerList::Player(int channel) const {
    if (channel < 0 || channel >= Size()) return nullptr;
    return m_vPlayers[static_cast<size_t>(channel)].get();
}
