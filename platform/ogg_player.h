// Music from Ogg Vorbis files: what the program asks of its OGG player.
// One player plays one stream at a time as a source of the mixer: the
// whole file is held in memory at load, and each mix period decodes only
// what it plays, from memory, so a period never waits on the disk and the
// same calls always give the same samples. A file at another rate than the
// mix is resampled; mono plays on both sides.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/mix_source.h"

namespace plat {

constexpr int kOggLoopEndless = 2147483647;

class OggPlayer final : public MixSource {
public:
    // Attached to the mixer for its whole life; silent until played.
    OggPlayer();
    ~OggPlayer() override;
    OggPlayer(const OggPlayer&) = delete;
    OggPlayer& operator=(const OggPlayer&) = delete;

    // Opens the file (program path) in place of the stream before, which is
    // closed first; false when it cannot be read or is no Ogg Vorbis stream
    // this player can play, and no stream is left then.
    bool Load(std::string_view path);
    // Plays the loaded stream from where it stands (the start after a load).
    void Play();
    // Stops and goes back to the start.
    void Stop();
    // Times the stream starts over after its end: 0 plays it once,
    // kOggLoopEndless for ever.
    void SetLoop(int count);
    // Linear gain, 1 full; below 0 counts as 0.
    void SetVolume(float volume);
    // Drops the stream.
    void Close();

    bool Playing() const;
    float Volume() const;
    // Sample rate and channels of the stream; 0 without one.
    int StreamRate() const;
    int StreamChannels() const;

    void Mix(float* out, int frames) override;

    struct Stream;

private:
    mutable std::mutex m_lock;  // the window's thread against the mixer's
    std::unique_ptr<Stream> m_stream;
    bool m_playing = false;
    int m_loops = 0;
    float m_volume = 1.0f;
};

}  // namespace plat
