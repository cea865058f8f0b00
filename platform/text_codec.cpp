#include "platform/text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace plat {
namespace {

// One converter per thread and direction: iconv_t carries state, so sharing
// one between threads would need a lock on every call.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

iconv_t FromSjis() {
    thread_local Converter c("UTF-8", "CP932");
    return c.valid() ? c.get() : nullptr;
}

iconv_t ToSjis() {
    thread_local Converter c("CP932", "UTF-8");
    return c.valid() ? c.get() : nullptr;
}

// Length of the well-formed UTF-8 sequence at the front of s, 0 if none.
size_t Utf8SequenceLength(std::string_view s) {
    if (s.empty()) return 0;
    auto b = static_cast<uint8_t>(s[0]);
    size_t n = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (n == 0 || n > s.size()) return 0;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<uint8_t>(s[i]) & 0xC0) != 0x80) return 0;
    return n;
}

// Runs the converter over the whole input. Where the input does not convert,
// onBad appends its stand-in for the bytes at the front of the rest and says
// how many of them it used up (at least one), so conversion always moves on.
template <class OnBad>
std::string Convert(iconv_t cd, std::string_view in, bool* ok, OnBad onBad) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    bool clean = true;
    if (!cd) {
        // No converter on this host: ASCII is the same either way.
        for (size_t i = 0; i < in.size();) {
            if (static_cast<uint8_t>(in[i]) < 0x80) {
                out += in[i++];
            } else {
                clean = false;
                i += onBad(in.substr(i), out);
            }
        }
        if (ok) *ok = clean;
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());  // iconv does not write its input
    size_t left = in.size();
    char buf[512];
    while (left > 0) {
        char* dst = buf;
        size_t room = sizeof buf;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (cut short at the end): step over the bad bytes.
        clean = false;
        size_t used = onBad(std::string_view(src, left), out);
        if (used == 0 || used > left) used = 1;
        src += used;
        left -= used;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (ok) *ok = clean;
    return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis, bool* ok) {
    return Convert(FromSjis(), sjis, ok, [](std::string_view rest, std::string& out) -> size_t {
        // Keep the byte: a name that never was Shift-JIS then still matches.
        out += rest[0];
        return 1;
    });
}

std::string SjisToShownUtf8(std::string_view sjis) {
    return Convert(FromSjis(), sjis, nullptr, [](std::string_view, std::string& out) -> size_t {
        out += "\xEF\xBF\xBD";
        return 1;
    });
}

std::string Utf8ToSjis(std::string_view utf8, bool* ok) {
    return Convert(ToSjis(), utf8, ok, [](std::string_view rest, std::string& out) -> size_t {
        // One "?" per character that code page 932 lacks, and one per broken
        // sequence: a lead byte and the continuation bytes that follow it.
        out += '?';
        if (size_t n = Utf8SequenceLength(rest)) return n;
        auto b = static_cast<uint8_t>(rest[0]);
        size_t want = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
        size_t used = 1;
        while (used < want && used < rest.size() && (static_cast<uint8_t>(rest[used]) & 0xC0) == 0x80) ++used;
        return used;
    });
}

}  // namespace plat
