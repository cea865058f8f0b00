// Arbitrary bytes as a standard MIDI file: a refused file leaves no image;
// an image read back is itself (the merged format-0 file is a file this
// reader takes as it is), and the stream player's conversion cuts all of it
// into buffers that hold only whole events, ending once, at its end. The
// reader alone is used, so no stream or callback thread is opened for each
// input.
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/midi_stream.h"
#include "fuzz_support.h"
#include "platform/byte_order.h"

namespace {

using orvfuzz::Check;

constexpr const char* kPath = "bgm\\fuzz.mid";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::ServeInputAlone(kPath, data, size);
    cSmfFile file(kPath);
    if (!file.HasImage()) return 0;
    const std::vector<uint8_t>& image = file.Image();
    Check(image.size() >= static_cast<size_t>(kSmfImageHeader) + 4);
    Check(std::memcmp(image.data(), "MThd\0\0\0\x06\0\0\0\x01", 12) == 0);
    const uint32_t end = SmfImageEnd(image);
    Check(end == image.size());
    Check(file.Parse(image.data(), image.size()) == image);

    // One buffer for every input: filling clears it.
    static std::vector<uint8_t> store(kMidiBufferSize);
    plat::MidiHeader header;
    header.data = store.data();
    header.bufferLength = kMidiBufferSize;
    uint32_t at = kSmfImageHeader;
    bool ended = false;
    while (at < end) {
        Check(!ended);
        uint32_t oversized = 0;
        const uint32_t taken = FillMidiBuffer(image, at, header, &oversized);
        Check(taken > 0 && header.bytesRecorded > 0);
        Check(header.bytesRecorded <= kMidiBufferSize && header.bytesRecorded % 4 == 0);
        // Whole records, the last one asking for the callback.
        uint32_t last = 0;
        for (uint32_t r = 0; r < header.bytesRecorded;) {
            Check(header.bytesRecorded - r >= plat::kMidiEventRecord);
            const uint32_t word = plat::LoadLe32(store.data() + r + 8);
            if ((word & plat::kMidiEventParam) == kMidiEndMarker && plat::MidiEventKind(word) == 0) ended = true;
            last = r;
            r += plat::kMidiEventRecord;
            if (plat::MidiEventKind(word) == plat::kMidiEventLong) r += ((word & plat::kMidiEventParam) + 3) & ~3u;
        }
        Check((plat::LoadLe32(store.data() + last + 8) & plat::kMidiEventCallback) != 0);
        at += taken;
    }
    Check(ended);
    return 0;
}
