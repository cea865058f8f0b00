#include "core/text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/paths.h"
#include "platform/text_codec.h"

namespace {

// Copies text into a buffer of the given capacity; 0 (and the buffer left
// as it was) when it does not fit.
int CopyOut(char* target, size_t capacity, const std::string& text) {
    if (!target || text.size() + 1 > capacity) return 0;
    std::memcpy(target, text.c_str(), text.size() + 1);
    return 1;
}

// Position of the dot that starts the file name's extension, or npos. Only a
// dot after the last folder separator counts, so "dir.x\name" has none.
size_t ExtDot(const std::string& path) {
    size_t from = AfterLastSeparator(path.c_str(), path.size());
    size_t dot = path.rfind('.');
    return (dot == std::string::npos || dot < from) ? std::string::npos : dot;
}

// ASCII letters compare without case, as on the file systems the stored
// paths come from; double-byte characters compare exactly.
bool SamePart(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsSjisDoubleByte(a.c_str() + i)) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

bool HasDrive(const std::string& path) { return path.size() >= 2 && path[1] == ':'; }

// The parts of an absolute path with "." dropped and ".." applied.
std::vector<std::string> NormalParts(const std::string& path) {
    std::vector<std::string> out;
    for (auto& part : plat::SplitProgramPath(path)) {
        if (part == ".") continue;
        if (part == "..") {
            if (!out.empty() && !(out.size() == 1 && HasDrive(out[0]))) out.pop_back();
            continue;
        }
        out.push_back(part);
    }
    return out;
}

std::string JoinParts(const std::vector<std::string>& parts, size_t from = 0) {
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (!out.empty()) out += '\\';
        out += parts[i];
    }
    return out;
}

}  // namespace

std::string FormatBounded(size_t size, const char* format, va_list args) {
    if (size == 0) return {};
    // The whole text first, so that a cut can tell a lead byte at the limit
    // from a single-byte character.
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(SjisCutLength(text.c_str(), static_cast<size_t>(n), size - 1));
    }
    va_end(again);
    return text;
}

void StrFormatV(std::string& target, const char* format, va_list args) {
    target = FormatBounded(kFormatBufferSize, format, args);
}

void StrFormat(std::string& target, const char* format, ...) {
    va_list args;
    va_start(args, format);
    StrFormatV(target, format, args);
    va_end(args);
}

void AppendFormat(std::string& target, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatBounded(kFormatBufferSize, format, args);
    va_end(args);
    target += text;
}

void IntToStr(std::string& target, int32_t value, int width, bool leadingZeros, bool plusSign) {
    // The magnitude is unsigned so that INT_MIN has one.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    int digits = 1;
    for (uint32_t m = magnitude; m >= 10; m /= 10) ++digits;
    if (width <= 0 || width < digits) width = digits;

    std::string text(static_cast<size_t>(width), '0');
    uint32_t m = magnitude;
    for (int i = width - 1; i >= 0 && m != 0; --i) {
        text[static_cast<size_t>(i)] = static_cast<char>('0' + m % 10);
        m /= 10;
    }
    if (!leadingZeros) {
        for (size_t i = 0; i + 1 < text.size() && text[i] == '0'; ++i) text[i] = ' ';
    }
    if (value < 0) text.insert(text.begin(), '-');
    else if (plusSign) text.insert(text.begin(), '+');
    target = std::move(text);
}

size_t StrSyncLength(std::string& s) {
    size_t len = std::strlen(s.c_str());
    if (len >= kFormatBufferSize) len = SjisCutLength(s.c_str(), len, kFormatBufferSize - 1);
    s.resize(len);
    return len;
}

std::string StrMid(const std::string& source, int start, int length) {
    std::string src = source;
    StrSyncLength(src);
    int64_t len = length;
    int64_t pos = start;
    if (pos < 0) {
        // A window that ends before the text starts holds nothing; only a
        // length the caller passed negative means "to the end".
        if (length >= 0 && len + pos <= 0) return {};
        len += pos;
        pos = 0;
    } else if (pos > static_cast<int64_t>(src.size())) {
        return {};
    }
    if (len == 0) return {};
    if (len < 0 || pos + len > static_cast<int64_t>(src.size())) return src.substr(static_cast<size_t>(pos));
    return src.substr(static_cast<size_t>(pos), static_cast<size_t>(len));
}

bool IsSjisDoubleByte(const char* p) {
    return p && plat::IsSjisLeadByte(static_cast<uint8_t>(p[0])) &&
           plat::IsSjisTrailByte(static_cast<uint8_t>(p[1]));
}

int CountChars(const char* text) { return text ? CountChars(text, std::strlen(text)) : 0; }

int CountChars(const char* text, size_t length) {
    if (!text) return 0;
    int count = 0;
    for (size_t i = 0; i < length; ++i) {
        if (i + 1 < length && IsSjisDoubleByte(text + i)) {
            ++i;
            ++count;
        } else if (text[i] != '\n') {
            ++count;
        }
    }
    return count;
}

size_t SjisCutLength(const char* text, size_t length, size_t limit) {
    if (length <= limit) return length;
    size_t i = 0;
    while (i < limit) {
        bool pair = i + 1 < length && plat::IsSjisLeadByte(static_cast<uint8_t>(text[i])) &&
                    plat::IsSjisTrailByte(static_cast<uint8_t>(text[i + 1]));
        size_t step = pair ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

size_t AfterLastSeparator(const char* path, size_t scanLength) {
    size_t after = 0;
    for (size_t i = 0; i < scanLength && path[i]; ++i) {
        if (IsSjisDoubleByte(path + i)) {
            ++i;
        } else if (path[i] == '\\') {
            after = i + 1;
        }
    }
    return after;
}

int MakeAbsolutePath(std::string& path) {
    if (plat::IsAbsoluteProgramPath(path)) return 1;
    std::string current = plat::CurrentFolder();
    if (current.empty()) return 0;
    std::string joined = JoinParts(NormalParts(current + "\\" + path));
    path = HasDrive(current) ? joined : "\\" + joined;
    return 1;
}

int MakeAbsolutePath(char* path, size_t capacity) {
    if (!path) return 0;
    std::string p = path;
    if (!MakeAbsolutePath(p)) return 0;
    return CopyOut(path, capacity, p);
}

int MakeRelativePath(std::string& path) {
    if (!plat::IsAbsoluteProgramPath(path)) return 1;
    std::string current = plat::CurrentFolder();
    if (current.empty()) return 0;
    std::vector<std::string> from = NormalParts(current);
    std::vector<std::string> to = NormalParts(path);
    // Paths on different drives have no relative form.
    if (HasDrive(current) != HasDrive(path)) return 0;
    if (HasDrive(path) && (from.empty() || to.empty() || !SamePart(from[0], to[0]))) return 0;

    size_t common = 0;
    while (common < from.size() && common < to.size() && SamePart(from[common], to[common])) ++common;
    std::string rest = JoinParts(to, common);
    std::string out;
    if (common == from.size()) {
        out = rest.empty() ? "." : ".\\" + rest;
    } else {
        for (size_t i = common; i < from.size(); ++i) out += (out.empty() ? ".." : "\\..");
        if (!rest.empty()) out += "\\" + rest;
    }
    path = out;
    return 1;
}

int MakeRelativePath(char* path, size_t capacity) {
    if (!path) return 0;
    std::string p = path;
    if (!MakeRelativePath(p)) return 0;
    return CopyOut(path, capacity, p);
}

void StripFolder(char* path) {
    if (!path) return;
    size_t len = std::strlen(path);
    if (len < 2) return;
    // A separator in the last position does not count: a\b\ keeps b\.
    size_t after = AfterLastSeparator(path, len - 1);
    if (after > 0) std::memmove(path, path + after, len - after + 1);
}

int ReplaceExt(char* target, size_t capacity, const char* path, const char* ext) {
    if (!path) return 0;
    std::string p = path;
    size_t dot = ExtDot(p);
    if (dot == std::string::npos) {
        CopyOut(target, capacity, p);
        return 0;
    }
    std::string out = ext ? p.substr(0, dot + 1) + ext : p.substr(0, dot);
    return CopyOut(target, capacity, out);
}

int StripExt(std::string& path) {
    size_t dot = ExtDot(path);
    if (dot == std::string::npos) return 0;
    path.resize(dot);
    return 1;
}

int StripExt(char* path) {
    if (!path) return 0;
    std::string p = path;
    if (!StripExt(p)) return 0;
    path[p.size()] = '\0';
    return 1;
}

int GetExt(char* target, size_t capacity, const char* path) {
    if (!path) return 0;
    std::string p = path;
    size_t dot = ExtDot(p);
    if (dot == std::string::npos) return 0;
    return CopyOut(target, capacity, p.substr(dot + 1));
}

int MakeNumberedName(char* target, size_t capacity, const char* path, int number) {
    if (!path) return 0;
    std::string p = path;
    size_t dot = ExtDot(p);
    if (dot == std::string::npos) return 0;
    std::string ext = p.substr(dot + 1);
    if (ext.size() > 31) return 0;
    std::string out;
    StrFormat(out, "%s (%d).%s", p.substr(0, dot).c_str(), number, ext.c_str());
    return CopyOut(target, capacity, out);
}

int FindNumberedFile(std::string& target, const std::string& path, const std::string& ext) {
    std::string base = path;
    size_t dot = ExtDot(base);
    if (dot != std::string::npos) base = base.substr(0, dot + 1) + ext;
    // One listing of the folder gives every number there; the highest whose
    // name is there as a path wins.
    size_t after = 0;
    for (size_t i = 0; i < base.size(); ++i) {
        if (IsSjisDoubleByte(base.c_str() + i)) ++i;
        else if (base[i] == '\\' || base[i] == '/') after = i + 1;
    }
    const std::string folder = after > 0 ? base.substr(0, after) : ".";
    const std::string name = base.substr(after);
    std::vector<int> numbers;
    for (const std::string& entry : plat::ListFolder(folder)) {
        if (entry.size() != name.size() + 4 || entry[name.size()] != '_') continue;
        const char* digits = entry.c_str() + name.size() + 1;
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        if (!digit(digits[0]) || !digit(digits[1]) || !digit(digits[2])) continue;
        if (!SamePart(entry.substr(0, name.size()), name)) continue;
        numbers.push_back((digits[0] - '0') * 100 + (digits[1] - '0') * 10 + (digits[2] - '0'));
    }
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::string numbered;
    for (int n : numbers) {
        StrFormat(numbered, "%s_%d%d%d", base.c_str(), n / 100, n / 10 % 10, n % 10);
        if (plat::PathExists(numbered)) {
            target = numbered;
            return 1;
        }
    }
    return 0;
}

int FindNumberedFile(char* target, size_t capacity, const char* path, const char* ext) {
    if (!path || !ext) return 0;
    std::string found;
    if (!FindNumberedFile(found, path, ext)) return 0;
    return CopyOut(target, capacity, found);
}
