#include "audio/sound_slots.h"

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "core/report_log.h"
#include "platform/byte_order.h"
#include "platform/paths.h"

PROGRAM_OBJECT_DEFINE(g_SoundSlots, cVector<DSSOUNDDATA>);
PROGRAM_OBJECT_DEFINE(g_SoundFiles, cVector<DSSOUNDFILE>);

const int g_SeVolumeTable[kSeVolumeSteps] = {-10000, -3000, -2000, -1300, -800, -500, -300, -150, -80, -30, 0};

namespace {

// The window's thread plays requested sounds while the game thread plays
// the menu cursor and sets volumes: one lock covers the slots' voices and
// rotating indexes, and the state below.
std::mutex g_lock;
bool g_bOpen = false;  // from DS_Init to DS_Release; every call does nothing before
cVector<DSSOUNDDATA>* g_pSlots = nullptr;
cVector<DSSOUNDFILE>* g_pFiles = nullptr;

plat::VoiceId VoiceAt(const DSSOUNDDATA* slot, int buffer) {
    if (!slot || buffer < 0 || buffer >= static_cast<int>(slot->vBuffers.size())) return plat::kNoVoice;
    return slot->vBuffers[static_cast<size_t>(buffer)];
}

int SetVolumeHeld(DSSOUNDDATA* slot, int buffer, int volume, int relative) {
    const plat::VoiceId voice = VoiceAt(slot, buffer);
    if (voice == plat::kNoVoice) return 0;
    int64_t v = volume;
    if (relative == 1) v += plat::VoiceVolume(voice);
    const int set = static_cast<int>(std::clamp<int64_t>(v, -10000, 0));
    plat::SetVoiceVolume(voice, set);
    return set;
}

void ReleaseSlotHeld(DSSOUNDDATA* slot) {
    if (!slot) return;
    for (size_t j = 1; j < slot->vBuffers.size(); ++j) plat::ReleaseVoice(slot->vBuffers[j]);
    if (!slot->vBuffers.empty()) plat::ReleaseVoice(slot->vBuffers[0]);
    slot->vBuffers.clear();
    slot->nCount = 0;
    slot->nIndex = 0;
}

std::string ChannelsText(int channels) {
    if (channels == 1) return "mono";
    if (channels == 2) return "stereo";
    return std::to_string(channels) + " channels";
}

// ---- the RIFF reader ----

constexpr const char* kNotRiffText = "%s の読み込みに失敗しました…\n不正なファイルです。";
constexpr const char* kBadFormatText =
    "%s の読み込みに失敗しました…\n対応していない形式か、不正なwavファイルです。\n本ソフトではPCM形式のみ再生できます。";
constexpr const char* kNotPcmText =
    "%s の読み込みに失敗しました…\nPCM形式以外の形式です。\n本ソフトではPCM形式のみ再生できます。";

// The largest "fmt " chunk taken: a PCM format record with its extra-size field.
constexpr uint32_t kFormatArea = 18;

struct Chunk {
    uint32_t size = 0;
    uint64_t data = 0;  // where its bytes start
};

class RiffFile {
public:
    explicit RiffFile(FILE* file) : m_file(file) {
        if (fseeko(m_file, 0, SEEK_END) == 0) {
            const off_t end = ftello(m_file);
            if (end > 0) m_size = static_cast<uint64_t>(end);
        }
    }
    ~RiffFile() { std::fclose(m_file); }
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    uint64_t Size() const { return m_size; }

    // Exactly n bytes at `at`, all inside the file.
    bool ReadAt(uint64_t at, void* out, size_t n) {
        if (at > m_size || n > m_size - at) return false;
        if (fseeko(m_file, static_cast<off_t>(at), SEEK_SET) != 0) return false;
        return std::fread(out, 1, n, m_file) == n;
    }

    // The first chunk called `id` among the chunks from `from` to `end`,
    // each stepped over by its stored length (padded to an even length).
    // With `form`, only a chunk whose first four bytes are that form.
    bool Find(const char* id, uint64_t from, uint64_t end, Chunk* out, const char* form = nullptr) {
        end = std::min(end, m_size);
        for (uint64_t at = from; at + 8 <= end;) {
            uint8_t header[8];
            if (!ReadAt(at, header, sizeof header)) return false;
            const uint32_t size = plat::LoadLe32(header + 4);
            if (std::memcmp(header, id, 4) == 0) {
                char kind[4];
                if (!form || (size >= 4 && ReadAt(at + 8, kind, 4) && std::memcmp(kind, form, 4) == 0)) {
                    *out = Chunk{size, at + 8};
                    return true;
                }
            }
            at += 8 + static_cast<uint64_t>(size) + (size & 1u);
        }
        return false;
    }

private:
    FILE* m_file;
    uint64_t m_size = 0;
};

}  // namespace

bool DS_LoadWave(const char* path, LoadedWave* wave) {
    if (!path || !wave) return false;
    FILE* file = plat::OpenFile(path, "rb");
    if (!file) return false;
    RiffFile riff(file);

    Chunk form;
    if (!riff.Find("RIFF", 0, riff.Size(), &form, "WAVE")) {
        WriteReportDebug(kNotRiffText, path);
        return false;
    }
    const uint64_t formEnd = form.data + form.size;
    Chunk fmt;
    if (!riff.Find("fmt ", form.data + 4, formEnd, &fmt)) return false;
    uint8_t area[kFormatArea] = {};
    if (fmt.size > kFormatArea || !riff.ReadAt(fmt.data, area, fmt.size)) {
        WriteReportDebug(kBadFormatText, path);
        return false;
    }
    WaveFormat format;
    format.wFormatTag = plat::LoadLe16(area);
    format.nChannels = plat::LoadLe16(area + 2);
    format.nSamplesPerSec = plat::LoadLe32(area + 4);
    format.nAvgBytesPerSec = plat::LoadLe32(area + 8);
    format.nBlockAlign = plat::LoadLe16(area + 12);
    format.wBitsPerSample = plat::LoadLe16(area + 14);
    format.cbSize = plat::LoadLe16(area + 16);
    if (format.wFormatTag != 1) {
        WriteReportDebug(kNotPcmText, path);
        return false;
    }

    // The sound follows the format; its length must be in the file, so a
    // cut file is refused instead of played with what lay beyond it.
    Chunk data;
    if (!riff.Find("data", fmt.data + fmt.size + (fmt.size & 1u), formEnd, &data)) return false;
    if (data.size == 0 || data.size > riff.Size() - std::min(riff.Size(), data.data)) return false;
    std::vector<uint8_t> samples(data.size);
    if (!riff.ReadAt(data.data, samples.data(), samples.size())) return false;
    wave->format = format;
    wave->samples = std::move(samples);
    return true;
}

bool DS_Init(plat::WindowHandle /*window*/, int samplesPerSec, int bitsPerSample, int channels) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_pSlots = nullptr;
    g_pFiles = nullptr;
    const plat::MixerState mixer = plat::OpenMixer(plat::PcmFormat{channels, samplesPerSec, bitsPerSample});
    g_bOpen = true;
    const std::string asked = std::to_string(samplesPerSec) + " Hz " + std::to_string(bitsPerSample) + " bit " +
                              ChannelsText(channels) + " asked";
    if (mixer.output == plat::MixerOutput::Device)
        WriteReport("Sound : %s, mixed at %d Hz stereo on %s", asked.c_str(), plat::kMixRate, mixer.device.c_str());
    else if (!mixer.failure.empty())
        WriteReport("Sound : no sound device (%s); %s, mixed at %d Hz stereo unheard", mixer.failure.c_str(),
                    asked.c_str(), plat::kMixRate);
    else
        WriteReport("Sound : headless; %s, mixed at %d Hz stereo unheard", asked.c_str(), plat::kMixRate);
    return true;
}

int DS_CreateSoundSlots(cVector<DSSOUNDDATA>* slots, cVector<DSSOUNDFILE>* files, int volume) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_bOpen || !slots || !files) return 1;
        g_pSlots = slots;
        g_pFiles = files;
    }
    const int n = std::min(slots->Size(), files->Size());
    for (int i = 0; i < n; ++i) {
        DSSOUNDDATA& slot = (*slots)[static_cast<size_t>(i)];
        if (!slot.vBuffers.empty()) continue;
        const DSSOUNDFILE& file = (*files)[static_cast<size_t>(i)];
        DS_CreateSoundSlot(&slot, file.szPath, file.nCount, volume != 0 ? volume : file.nVolume);
    }
    return 1;
}

bool DS_CreateSoundSlot(DSSOUNDDATA* slot, const char* path, int count, int volume) {
    if (!slot || !path) return false;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_bOpen) return true;
        ReleaseSlotHeld(slot);
        *slot = DSSOUNDDATA{};
    }
    if (count < 1) return false;
    std::vector<plat::VoiceId> voices(static_cast<size_t>(count), plat::kNoVoice);
    if (!DS_LoadSoundBuffer(&voices[0], path)) return false;
    for (size_t j = 1; j < voices.size(); ++j) {
        if (!DS_DuplicateBuffer(&voices[j], voices[0])) {
            WriteReportDebug("%sのメモリ共用バッファの生成失敗！", path);
            for (plat::VoiceId v : voices) plat::ReleaseVoice(v);
            return false;
        }
    }
    std::lock_guard<std::mutex> hold(g_lock);
    slot->vBuffers = std::move(voices);
    slot->nCount = count;
    std::snprintf(slot->szName, sizeof slot->szName, "%s", path);
    if (volume != 0)
        for (int j = 0; j < count; ++j) SetVolumeHeld(slot, j, volume, 0);
    return true;
}

bool DS_LoadSoundBuffer(plat::VoiceId* buffer, const char* path) {
    if (!buffer || !path) return false;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_bOpen) return true;
    }
    LoadedWave wave;
    if (!DS_LoadWave(path, &wave)) {
        WriteReportDebug("%s の読み込みに失敗しました！", path);
        return false;
    }
    const int rate = static_cast<int>(std::min<uint32_t>(wave.format.nSamplesPerSec, plat::kMaxVoiceRate + 1));
    const plat::PcmFormat format{wave.format.nChannels, rate, wave.format.wBitsPerSample};
    *buffer = plat::CreateVoice(format, wave.samples.data(), wave.samples.size());
    if (*buffer == plat::kNoVoice) {
        // A format the mixer does not play, said where it can be read.
        WriteReportDebug("%s生成失敗！", path);
        return false;
    }
    return true;
}

bool DS_DuplicateBuffer(plat::VoiceId* buffer, plat::VoiceId source) {
    if (!buffer) return false;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_bOpen) return true;
    }
    *buffer = plat::DuplicateVoice(source);
    return *buffer != plat::kNoVoice;
}

void DS_PlaySound(DSSOUNDDATA* slot, int /*flags: every caller plays once*/) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bOpen || !slot || slot->vBuffers.empty()) return;
    const int count = static_cast<int>(slot->vBuffers.size());
    const int i = slot->nIndex >= 0 && slot->nIndex < count ? slot->nIndex : 0;
    const plat::VoiceId voice = slot->vBuffers[static_cast<size_t>(i)];
    plat::StopVoice(voice);
    plat::RewindVoice(voice);
    plat::PlayVoice(voice);
    slot->nIndex = i + 1 >= count ? 0 : i + 1;
}

int DS_SetVolume(DSSOUNDDATA* slot, int buffer, int volume, int relative) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bOpen) return 0;
    return SetVolumeHeld(slot, buffer, volume, relative);
}

int DS_GetVolume(DSSOUNDDATA* slot, int buffer) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bOpen) return 0;
    const plat::VoiceId voice = VoiceAt(slot, buffer);
    return voice == plat::kNoVoice ? 0 : plat::VoiceVolume(voice);
}

void DS_ReleaseSoundSlot(DSSOUNDDATA* slot) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bOpen) return;
    ReleaseSlotHeld(slot);
}

void DS_Release() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_bOpen) return;
    if (g_pSlots)
        for (DSSOUNDDATA& slot : *g_pSlots) ReleaseSlotHeld(&slot);
    plat::CloseMixer();
    g_bOpen = false;
    g_pSlots = nullptr;
    g_pFiles = nullptr;
}
