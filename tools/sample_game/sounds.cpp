// The sample game's sounds and music, synthesised by code: short PCM wave
// files for the system sounds and the effects, one standard MIDI file and
// one Ogg Vorbis loop.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {

const char* const kSystemSoundFiles[kSystemSounds] = {
    "wave\\cursor.wav",   "wave\\decide.wav",  "wave\\cancel.wav",   "wave\\buzzer.wav",
    "wave\\pause.wav",    "wave\\saved.wav",   "wave\\select.wav",   "wave\\open.wav",
    "wave\\miss.wav",     "wave\\defeat.wav",  "wave\\spring.wav",   "wave\\message.wav",
    "wave\\close.wav",    "wave\\warning.wav", "wave\\fanfare.wav",  "wave\\oneup.wav",
    "wave\\entry.wav",
};

const char* const kEffectSoundFiles[kSounds] = {
    "",
    "wave\\jump.wav",  "wave\\shot.wav",    "wave\\hit.wav",  "wave\\crush.wav",    "wave\\coin.wav",
    "wave\\life.wav",  "wave\\power.wav",   "wave\\bosshit.wav", "wave\\clear.wav", "wave\\explosion.wav",
};

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

enum class Wave { kSquare, kTriangle, kSine, kNoise };

// One tone: frequency sweeping from f0 to f1 over its length, with a short
// attack and a linear release so neither end clicks.
struct Tone {
    Wave wave;
    double f0, f1;
    double seconds;
    double volume = 0.5;
};

// A fixed-seed generator of our own, so noise is the same on every run.
struct Noise {
    uint32_t state = 0x12345678u;
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }
};

std::vector<int16_t> Render(const std::vector<Tone>& tones) {
    std::vector<int16_t> out;
    Noise noise;
    double phase = 0;
    for (const Tone& t : tones) {
        int n = static_cast<int>(t.seconds * kRate);
        int attack = std::min(n / 4, kRate / 200);
        for (int i = 0; i < n; ++i) {
            double k = static_cast<double>(i) / n;
            double f = t.f0 + (t.f1 - t.f0) * k;
            phase += f / kRate;
            phase -= std::floor(phase);
            double v = 0;
            switch (t.wave) {
                case Wave::kSquare: v = phase < 0.5 ? 1 : -1; break;
                case Wave::kTriangle: v = 4 * std::fabs(phase - 0.5) - 1; break;
                case Wave::kSine: v = std::sin(2 * kPi * phase); break;
                case Wave::kNoise: v = noise.Next(); break;
            }
            double env = i < attack ? static_cast<double>(i) / attack : 1.0 - k;
            out.push_back(static_cast<int16_t>(std::lround(v * env * t.volume * 32767 * 0.8)));
        }
    }
    return out;
}

void Le32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Le16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Be32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Be16(std::string& s, uint16_t v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v & 0xFF);
}

std::string WaveFile(const std::vector<int16_t>& samples) {
    std::string s = "RIFF";
    uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    Le32(s, 36 + data);
    s += "WAVEfmt ";
    Le32(s, 16);
    Le16(s, 1);  // PCM
    Le16(s, 1);  // mono
    Le32(s, kRate);
    Le32(s, kRate * 2);
    Le16(s, 2);
    Le16(s, 16);
    s += "data";
    Le32(s, data);
    for (int16_t v : samples) Le16(s, static_cast<uint16_t>(v));
    return s;
}

std::vector<Tone> Blip(double f, double seconds, Wave w = Wave::kSquare) { return {{w, f, f, seconds, 0.4}}; }
std::vector<Tone> Arpeggio(std::initializer_list<double> notes, double each, Wave w = Wave::kSquare) {
    std::vector<Tone> t;
    for (double f : notes) t.push_back({w, f, f, each, 0.4});
    return t;
}

// System sound i, in the order of kSystemSoundFiles.
std::vector<Tone> SystemTone(int i) {
    switch (i) {
        case 0: return Blip(880, 0.04);
        case 1: return Arpeggio({660, 990}, 0.05);
        case 2: return Arpeggio({660, 440}, 0.05);
        case 3: return {{Wave::kSquare, 120, 110, 0.18, 0.4}};
        case 4: return Arpeggio({523, 784, 523, 784}, 0.05);
        case 5: return Arpeggio({523, 659, 784, 1047}, 0.06);
        case 6: return Blip(1175, 0.05, Wave::kTriangle);
        case 7: return {{Wave::kTriangle, 300, 900, 0.12, 0.5}};
        case 8: return {{Wave::kSquare, 700, 90, 0.6, 0.4}};
        case 9: return {{Wave::kNoise, 0, 0, 0.25, 0.5}};
        case 10: return {{Wave::kTriangle, 200, 1400, 0.2, 0.5}};
        case 11: return Arpeggio({988, 1319}, 0.04, Wave::kTriangle);
        case 12: return Blip(660, 0.05, Wave::kTriangle);
        case 13: return Arpeggio({880, 660, 880, 660}, 0.08);
        case 14: return Arpeggio({523, 659, 784, 1047, 784, 1047}, 0.1);
        case 15: return Arpeggio({659, 784, 1319, 1047, 1175, 1568}, 0.06);
        default: return Arpeggio({784, 988, 1175}, 0.06, Wave::kTriangle);
    }
}

std::vector<Tone> EffectTone(int n) {
    switch (n) {
        case kSoundJump: return {{Wave::kSquare, 300, 700, 0.15, 0.35}};
        case kSoundShot: return {{Wave::kSquare, 1400, 500, 0.08, 0.3}};
        case kSoundHit: return {{Wave::kNoise, 0, 0, 0.08, 0.5}};
        case kSoundDefeat: return {{Wave::kNoise, 0, 0, 0.2, 0.5}, {Wave::kSquare, 300, 60, 0.15, 0.3}};
        case kSoundItem: return Arpeggio({988, 1319}, 0.06);
        case kSoundLife: return Arpeggio({659, 784, 1319, 1047, 1175, 1568}, 0.06);
        case kSoundPower: return {{Wave::kTriangle, 200, 1600, 0.4, 0.5}};
        case kSoundBossHit: return {{Wave::kNoise, 0, 0, 0.12, 0.6}, {Wave::kSquare, 180, 90, 0.1, 0.4}};
        case kSoundClear: return Arpeggio({523, 659, 784, 1047, 1319}, 0.12);
        default: return {{Wave::kNoise, 0, 0, 0.7, 0.7}};
    }
}

// ---- MIDI: format 0, one track, 480 ticks per quarter note ----
void VarLen(std::string& s, uint32_t v) {
    char bytes[4];
    int n = 0;
    bytes[n++] = static_cast<char>(v & 0x7F);
    while ((v >>= 7) != 0) bytes[n++] = static_cast<char>((v & 0x7F) | 0x80);
    while (n > 0) s += bytes[--n];
}

struct Event {
    uint32_t tick;
    int order;  // note-offs before note-ons at the same tick
    std::string bytes;
};

std::string MidiFile() {
    constexpr int kQuarter = 480;
    std::vector<Event> ev;
    auto note = [&](int channel, uint32_t at, uint32_t length, int key, int velocity) {
        ev.push_back({at, 1, {static_cast<char>(0x90 | channel), static_cast<char>(key), static_cast<char>(velocity)}});
        ev.push_back({at + length, 0, {static_cast<char>(0x80 | channel), static_cast<char>(key), 0}});
    };
    // Tempo 140 bpm, programs: square-ish lead, bass.
    ev.push_back({0, -2, std::string("\xFF\x51\x03", 3) + std::string{static_cast<char>(0x06), static_cast<char>(0x8A), static_cast<char>(0x1B)}});
    ev.push_back({0, -1, {static_cast<char>(0xC0), 80}});
    ev.push_back({0, -1, {static_cast<char>(0xC1), 33}});
    const int melody[16] = {72, 74, 76, 79, 76, 74, 72, 67, 69, 72, 74, 76, 74, 72, 71, 72};
    const int roots[4] = {48, 53, 55, 48};
    for (int bar = 0; bar < 16; ++bar) {
        uint32_t start = static_cast<uint32_t>(bar * 4 * kQuarter);
        int shift = (bar / 4) % 2 == 1 ? 5 : 0;
        for (int beat = 0; beat < 4; ++beat) {
            int k = (bar * 4 + beat) % 16;
            note(0, start + beat * kQuarter, kQuarter - 40, melody[k] + shift, 90);
            note(1, start + beat * kQuarter, kQuarter / 2, roots[bar % 4] + shift, 100);
            note(9, start + beat * kQuarter, 60, beat % 2 == 0 ? 36 : 38, 100);
            note(9, start + beat * kQuarter + kQuarter / 2, 60, 42, 70);
        }
    }
    std::stable_sort(ev.begin(), ev.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::string track;
    uint32_t last = 0;
    for (const Event& e : ev) {
        VarLen(track, e.tick - last);
        last = e.tick;
        track += e.bytes;
    }
    VarLen(track, 0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string s = "MThd";
    Be32(s, 6);
    Be16(s, 0);
    Be16(s, 1);
    Be16(s, kQuarter);
    s += "MTrk";
    Be32(s, static_cast<uint32_t>(track.size()));
    return s + track;
}

// ---- OGG: a two-bar loop of bass and lead, mono 22050 Hz ----
std::vector<float> StageLoop() {
    constexpr double kSeconds = 8.0;
    const int n = static_cast<int>(kSeconds * kRate);
    std::vector<float> out(static_cast<size_t>(n));
    const double beat = kSeconds / 16;  // 120 bpm
    const int bass[4] = {45, 48, 50, 43};
    const int lead[8] = {69, 72, 76, 74, 72, 69, 67, 69};
    for (int i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / kRate;
        int b = static_cast<int>(t / beat);
        double inBeat = t - b * beat;
        double env = std::exp(-inBeat * 6);
        double fb = 440.0 * std::pow(2.0, (bass[(b / 4) % 4] - 69) / 12.0);
        double fl = 440.0 * std::pow(2.0, (lead[(b / 2) % 8] - 69) / 12.0);
        double v = 0.35 * env * std::sin(2 * kPi * fb * t) + 0.2 * env * (std::fmod(fl * t, 1.0) < 0.5 ? 1 : -1);
        // No click where the loop joins: fade the last and first few ms.
        double edge = std::min({1.0, t / 0.005, (kSeconds - t) / 0.005});
        out[static_cast<size_t>(i)] = static_cast<float>(v * edge * 0.8);
    }
    return out;
}

bool OggFile(std::string* out) {
    std::vector<float> pcm = StageLoop();
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, kRate, 0.2f) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x53746167);  // fixed serial: the same bytes every run
    ogg_packet header, comm, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comm);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    auto take = [&](ogg_page& page) {
        out->append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
        out->append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    };
    while (ogg_stream_flush(&os, &og) != 0) take(og);
    size_t pos = 0;
    bool end = false;
    while (!end) {
        size_t chunk = std::min<size_t>(1024, pcm.size() - pos);
        if (chunk == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
            for (size_t i = 0; i < chunk; ++i) buffer[0][i] = pcm[pos + i];
            vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
            pos += chunk;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op) == 1) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    take(og);
                    if (ogg_page_eos(&og)) end = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return true;
}

}  // namespace

bool WriteSounds(const std::string& root, std::string* error) {
    for (int i = 0; i < kSystemSounds; ++i)
        if (!WriteFileBytes(GamePath(root, kSystemSoundFiles[i]), WaveFile(Render(SystemTone(i))), error)) return false;
    for (int n = 1; n < kSounds; ++n)
        if (!WriteFileBytes(GamePath(root, kEffectSoundFiles[n]), WaveFile(Render(EffectTone(n))), error)) return false;
    if (!WriteFileBytes(GamePath(root, kMidiFile), MidiFile(), error)) return false;
    std::string ogg;
    if (!OggFile(&ogg)) {
        if (error) *error = "the music encoder refused its settings";
        return false;
    }
    return WriteFileBytes(GamePath(root, kOggFile), ogg, error);
}

}  // namespace sample
