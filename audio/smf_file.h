// Standard MIDI files of format 0 and 1, merged into one time-ordered
// track and kept as an image of a format-0 file with a single track, every
// event written with its status (no running status). The MIDI stream
// player plays that image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes of the image before its first event: "MThd", its length, format,
// track count, division, "MTrk" and the track length.
constexpr int kSmfImageHeader = 22;

class cSmfFile {
public:
    // Reads the file (program path) and builds the image.
    explicit cSmfFile(const char* path);
    virtual ~cSmfFile();
    cSmfFile(const cSmfFile&) = delete;
    cSmfFile& operator=(const cSmfFile&) = delete;

    // Reads the whole file and keeps what Parse makes of it.
    void ReadFile(const char* path);
    // The format-0 image of a file's bytes; empty, with a report line,
    // when they are no standard MIDI file this reader takes.
    std::vector<uint8_t> Parse(const uint8_t* bytes, size_t size) const;

    bool HasImage() const { return !m_vImage.empty(); }
    const std::vector<uint8_t>& Image() const { return m_vImage; }
    const std::string& Name() const { return m_strName; }

    // A variable-length quantity of at most 4 bytes at p, not past end:
    // the bytes used, 0 when it does not end within 4 bytes or the data.
    static int ReadVarLen(const uint8_t* p, const uint8_t* end, uint32_t* value);
    // Appends the quantity (1 to 4 bytes); 0 and nothing written above
    // 268435455, the largest that 4 bytes hold.
    static int WriteVarLen(std::vector<uint8_t>& out, uint32_t value);

protected:
    std::vector<uint8_t> m_vImage;  // empty: reading failed
    std::string m_strName;
};
