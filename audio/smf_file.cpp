#include "audio/smf_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/report_log.h"
#include "platform/byte_order.h"
#include "platform/paths.h"

namespace {

// One event of a track: where its bytes after the status lie in the file.
struct SmfEvent {
    uint64_t time;  // ticks from the track's start
    uint32_t track;
    uint32_t at;  // offset of the bytes after the status; ~0 for the closing end of track
    uint32_t length;
    uint8_t status;
};

constexpr uint32_t kEndOfSong = ~0u;

enum class TrackRead { kOk, kBroken };

// The events of one track chunk, up to its end of track or, missing that,
// the end of the chunk. Broken when an event runs past the chunk or has no
// status.
TrackRead ReadTrack(const uint8_t* file, size_t body, size_t end, uint32_t track, std::vector<SmfEvent>& events,
                    uint64_t* endTime) {
    const uint8_t* const limit = file + end;
    size_t q = body;
    uint64_t time = 0;
    uint8_t running = 0;
    while (q < end) {
        uint32_t delta = 0;
        const int n = cSmfFile::ReadVarLen(file + q, limit, &delta);
        if (n == 0) return TrackRead::kBroken;
        q += static_cast<size_t>(n);
        time += delta;
        if (q >= end) return TrackRead::kBroken;
        uint8_t status = file[q];
        if (status & 0x80)
            ++q;
        else if (running != 0)
            status = running;
        else
            return TrackRead::kBroken;
        // Only channel messages may be followed by running status; the
        // others leave it as it was.
        if (status < 0xF0) running = status;
        size_t length = 0;
        if (status >= 0xC0 && status <= 0xDF) {
            length = 1;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t count = 0;
            const int m = cSmfFile::ReadVarLen(file + q, limit, &count);
            if (m == 0) return TrackRead::kBroken;
            length = static_cast<size_t>(m) + count;
        } else if (status == 0xFF) {
            if (q >= end) return TrackRead::kBroken;
            if (file[q] == 0x2F && q + 1 < end && file[q + 1] == 0) break;
            uint32_t count = 0;
            const int m = cSmfFile::ReadVarLen(file + q + 1, limit, &count);
            if (m == 0) return TrackRead::kBroken;
            length = 1 + static_cast<size_t>(m) + count;
        } else {
            length = 2;
        }
        if (length > end - q) return TrackRead::kBroken;
        events.push_back(SmfEvent{time, track, static_cast<uint32_t>(q), static_cast<uint32_t>(length), status});
        q += length;
    }
    *endTime = time;
    return TrackRead::kOk;
}

}  // namespace

cSmfFile::cSmfFile(const char* path) : m_strName(path ? path : "") { ReadFile(path); }

cSmfFile::~cSmfFile() = default;

void cSmfFile::ReadFile(const char* path) {
    m_vImage.clear();
    std::vector<uint8_t> bytes;
    if (!path || !plat::ReadWholeFile(path, &bytes)) {
        WriteReportDebug("Midi %s Create ファイルが開けません", m_strName.c_str());
        return;
    }
    m_vImage = Parse(bytes.data(), bytes.size());
}

std::vector<uint8_t> cSmfFile::Parse(const uint8_t* bytes, size_t size) const {
    const char* name = m_strName.c_str();
    if (size < 4 || std::memcmp(bytes, "MThd", 4) != 0) {
        WriteReportDebug("Midi %s Init 標準MIDIでない(4)", name);
        return {};
    }
    if (size >= 8 && plat::LoadBe32(bytes + 4) != 6) {
        WriteReportDebug("Midi %s Init 標準MIDIでない(6)", name);
        return {};
    }
    if (size < 14) {
        WriteReportDebug("Midi %s Init ファイルが途中で切れています", name);
        return {};
    }
    const uint16_t format = plat::LoadBe16(bytes + 8);
    if (format == 2) {
        WriteReportDebug("Midi %s Init 対応フォーマットが2でない", name);
        return {};
    }
    if (format > 2) {
        WriteReportDebug("Midi %s Init 対応フォーマットが0または1でない", name);
        return {};
    }
    const uint32_t trackCount = plat::LoadBe16(bytes + 10);
    if (trackCount == 0) {
        WriteReportDebug("Midi %s Init トラックがありません", name);
        return {};
    }

    // Chunks follow one another by their lengths; other chunks than
    // tracks are passed over.
    std::vector<SmfEvent> events;
    uint32_t tracks = 0;
    uint64_t endTime = 0;
    size_t pos = 14;
    bool truncated = false;
    while (tracks < trackCount && pos < size) {
        if (size - pos < 8) {
            truncated = true;
            break;
        }
        const uint32_t length = plat::LoadBe32(bytes + pos + 4);
        const size_t body = pos + 8;
        if (length > size - body) {
            truncated = true;
            break;
        }
        if (std::memcmp(bytes + pos, "MTrk", 4) == 0) {
            uint64_t trackEnd = 0;
            if (ReadTrack(bytes, body, body + length, tracks, events, &trackEnd) != TrackRead::kOk) {
                truncated = true;
                break;
            }
            endTime = std::max(endTime, trackEnd);
            ++tracks;
        }
        pos = body + length;
    }
    if (!truncated && tracks == 0) {
        WriteReportDebug("Midi %s Init 標準MIDIでない(4)", name);
        return {};
    }
    if (truncated || tracks < trackCount) {
        WriteReportDebug("Midi %s Init ファイルが途中で切れています", name);
        return {};
    }

    // The song ends once, at the end of its longest track.
    events.push_back(SmfEvent{endTime, tracks - 1, kEndOfSong, 2, 0xFF});
    // Earlier first; on the same tick the lower track, then the track's
    // own order.
    std::stable_sort(events.begin(), events.end(), [](const SmfEvent& a, const SmfEvent& b) {
        return a.time != b.time ? a.time < b.time : a.track < b.track;
    });

    std::vector<uint8_t> image(kSmfImageHeader, 0);
    std::memcpy(image.data(), "MThd", 4);
    plat::StoreBe32(image.data() + 4, 6);
    image[11] = 1;  // format 0, one track
    image[12] = bytes[12];
    image[13] = bytes[13];
    std::memcpy(image.data() + 14, "MTrk", 4);
    uint64_t last = 0;
    for (const SmfEvent& e : events) {
        // A track's deltas hold at most 28 bits and the merge never puts
        // more between two events than one track had.
        if (WriteVarLen(image, static_cast<uint32_t>(e.time - last)) == 0) {
            WriteReportDebug("Midi %s Init ファイルが途中で切れています", name);
            return {};
        }
        last = e.time;
        image.push_back(e.status);
        if (e.at == kEndOfSong) {
            image.push_back(0x2F);
            image.push_back(0x00);
        } else {
            image.insert(image.end(), bytes + e.at, bytes + e.at + e.length);
        }
    }
    const size_t trackLength = image.size() - kSmfImageHeader;
    if (trackLength > 0xFFFFFFFFu) {
        WriteReportDebug("Midi %s Init ファイルが途中で切れています", name);
        return {};
    }
    plat::StoreBe32(image.data() + 18, static_cast<uint32_t>(trackLength));
    return image;
}

int cSmfFile::ReadVarLen(const uint8_t* p, const uint8_t* end, uint32_t* value) {
    uint32_t v = 0;
    for (int i = 0; i < 4 && p + i < end; ++i) {
        v = v << 7 | (p[i] & 0x7Fu);
        if ((p[i] & 0x80) == 0) {
            *value = v;
            return i + 1;
        }
    }
    return 0;
}

int cSmfFile::WriteVarLen(std::vector<uint8_t>& out, uint32_t value) {
    if (value > 268435455u) return 0;
    int n = 1;
    while (n < 4 && (value >> (7 * n)) != 0) ++n;
    for (int i = n - 1; i >= 0; --i) {
        const uint8_t b = static_cast<uint8_t>((value >> (7 * i)) & 0x7F);
        out.push_back(i > 0 ? static_cast<uint8_t>(b | 0x80) : b);
    }
    return n;
}
