#include "platform/ogg_player.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.h"

namespace plat {
namespace {

// Rates outside make no music; the bound keeps a hostile header from
// asking for thousands of decoded frames per mixed one.
constexpr long kMaxRate = 384000;
// Frames asked of the decoder at a time.
constexpr int kDecodeFrames = 1024;

}  // namespace

struct OggPlayer::Stream {
    std::vector<uint8_t> bytes;  // the whole file
    size_t pos = 0;     // the decoder's read position in it
    OggVorbis_File file{};
    bool open = false;
    int rate = 0;
    int channels = 0;
    double step = 1.0;  // stream frames per mixed frame

    std::vector<float> frames;  // decoded stereo frames not yet mixed past
    long long first = 0;        // the frame the mix stands on
    double frac = 0.0;          // how far past it, towards the next
    bool atEnd = false;         // nothing more comes from the decoder
    bool tailed = false;        // the silent frame after the end is in
    long long sinceStart = 0;   // frames decoded since the start

    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    ~Stream() {
        if (open) ov_clear(&file);
    }

    static size_t Read(void* to, size_t size, size_t count, void* source) {
        auto* s = static_cast<Stream*>(source);
        if (size == 0) return 0;
        const size_t items = std::min(count, (s->bytes.size() - s->pos) / size);
        if (items == 0) return 0;  // an empty file has no data to copy from
        std::memcpy(to, s->bytes.data() + s->pos, items * size);
        s->pos += items * size;
        return items;
    }
    static int Seek(void* source, ogg_int64_t offset, int whence) {
        auto* s = static_cast<Stream*>(source);
        const ogg_int64_t size = static_cast<ogg_int64_t>(s->bytes.size());
        ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(s->pos) : size;
        if (offset < -base || offset > size - base) return -1;
        s->pos = static_cast<size_t>(base + offset);
        return 0;
    }
    static long Tell(void* source) { return static_cast<long>(static_cast<Stream*>(source)->pos); }

    bool Open() {
        const ov_callbacks callbacks{Read, Seek, nullptr, Tell};
        // On failure the decoder has cleared itself.
        if (ov_open_callbacks(this, &file, nullptr, 0, callbacks) != 0) return false;
        open = true;
        const vorbis_info* info = ov_info(&file, -1);
        if (!info || info->channels < 1 || info->rate < 1 || info->rate > kMaxRate) return false;
        rate = static_cast<int>(info->rate);
        channels = info->channels;
        step = static_cast<double>(rate) / kMixRate;
        return true;
    }

    void Rewind() {
        frames.clear();
        first = 0;
        frac = 0.0;
        tailed = false;
        sinceStart = 0;
        atEnd = ov_pcm_seek(&file, 0) != 0;
    }

    // Decoded frames from the one the mix stands on; below 0 when a fast
    // step has gone past what is decoded.
    long long Ahead() const { return static_cast<long long>(frames.size() / 2) - first; }

    // Decodes the next block; at the stream's end starts over while loops
    // are left. False when nothing more will come.
    bool Decode(int& loops) {
        if (atEnd) return false;
        if (first > 4096) {
            const long long drop = std::min<long long>(first, static_cast<long long>(frames.size() / 2));
            frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(drop * 2));
            first -= drop;
        }
        float** pcm = nullptr;
        int link = 0;
        const long got = ov_read_float(&file, &pcm, kDecodeFrames, &link);
        if (got == OV_HOLE) return true;  // a gap in the data: go on after it
        if (got < 0) {
            atEnd = true;
            return false;
        }
        if (got == 0) {
            // A stream that gave nothing since its start would loop forever
            // without a sound.
            if (loops <= 0 || sinceStart == 0 || ov_pcm_seek(&file, 0) != 0) {
                atEnd = true;
                return false;
            }
            if (loops != kOggLoopEndless) --loops;
            sinceStart = 0;
            return true;
        }
        const vorbis_info* info = ov_info(&file, -1);
        const int ch = info ? info->channels : 1;
        // Vorbis orders 3 and 5 or more channels left, centre, right.
        const bool centre = ch == 3 || ch >= 5;
        for (long i = 0; i < got; ++i) {
            float left = pcm[0][i], right = ch == 1 ? left : pcm[centre ? 2 : 1][i];
            if (centre) {
                left += 0.7071f * pcm[1][i];
                right += 0.7071f * pcm[1][i];
            }
            // Damaged data must not carry a NaN or an infinity into the mix.
            frames.push_back(std::isfinite(left) ? left : 0.0f);
            frames.push_back(std::isfinite(right) ? right : 0.0f);
        }
        sinceStart += got;
        return true;
    }
};

OggPlayer::OggPlayer() { AttachMixSource(this); }

OggPlayer::~OggPlayer() { DetachMixSource(this); }

bool OggPlayer::Load(std::string_view path) {
    Close();
    auto stream = std::make_unique<Stream>();
    if (!ReadWholeFile(path, &stream->bytes) || !stream->Open()) return false;
    std::lock_guard<std::mutex> hold(m_lock);
    m_stream = std::move(stream);
    m_playing = false;
    return true;
}

void OggPlayer::Play() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_stream) return;
    if (m_stream->atEnd && m_stream->Ahead() < 2) m_stream->Rewind();  // played to its end before
    m_playing = true;
}

void OggPlayer::Stop() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_playing = false;
    if (m_stream) m_stream->Rewind();
}

void OggPlayer::SetLoop(int count) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_loops = std::max(count, 0);
}

void OggPlayer::SetVolume(float volume) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_volume = volume > 0.0f ? volume : 0.0f;
}

void OggPlayer::Close() {
    std::unique_ptr<Stream> gone;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        gone = std::move(m_stream);
        m_playing = false;
    }
}

bool OggPlayer::Playing() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_playing;
}

float OggPlayer::Volume() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_volume;
}

int OggPlayer::StreamRate() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stream ? m_stream->rate : 0;
}

int OggPlayer::StreamChannels() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stream ? m_stream->channels : 0;
}

void OggPlayer::Mix(float* out, int frames) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_playing || !m_stream || !out) return;
    Stream& s = *m_stream;
    for (int i = 0; i < frames; ++i) {
        // Each mixed frame lies between two decoded ones.
        while (s.Ahead() < 2 && s.Decode(m_loops)) {
        }
        if (s.Ahead() < 2 && !s.tailed && s.Ahead() == 1) {
            s.frames.push_back(0.0f);
            s.frames.push_back(0.0f);
            s.tailed = true;
        }
        if (s.Ahead() < 2) {
            m_playing = false;
            return;
        }
        const float* a = &s.frames[static_cast<size_t>(s.first) * 2];
        const float f = static_cast<float>(s.frac);
        out[2 * i] += (a[0] + (a[2] - a[0]) * f) * m_volume;
        out[2 * i + 1] += (a[1] + (a[3] - a[1]) * f) * m_volume;
        s.frac += s.step;
        const long long whole = static_cast<long long>(s.frac);
        s.first += whole;
        s.frac -= static_cast<double>(whole);
    }
}

}  // namespace plat
