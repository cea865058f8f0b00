// Text and path helpers. Every text is Shift-JIS bytes; paths keep their
// Windows form (backslashes) inside the program and meet the disk only
// through the platform edge.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#define ORV_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// Formatting goes through a buffer of this size: a formatted text holds at
// most 5119 bytes and is cut at a character boundary.
constexpr size_t kFormatBufferSize = 5120;
// Path buffers: 259 characters and the NUL.
constexpr size_t kMaxPath = 260;

// printf into a buffer of the given size: at most size - 1 bytes, cut at a
// character boundary when the text is longer.
std::string FormatBounded(size_t size, const char* format, va_list args);

// printf into target, replacing its content; the arguments may be target.
void StrFormat(std::string& target, const char* format, ...) ORV_PRINTF(2, 3);
void StrFormatV(std::string& target, const char* format, va_list args);
// printf appended to target.
void AppendFormat(std::string& target, const char* format, ...) ORV_PRINTF(2, 3);

// Decimal text of value in at least width characters, with leading zeros or
// blanks, and "+" before values of 0 or more when plusSign is set.
void IntToStr(std::string& target, int32_t value, int width, bool leadingZeros, bool plusSign);

// Cuts s at its first NUL byte; returns the new length.
size_t StrSyncLength(std::string& s);
// length bytes of source from start, clamped; a negative length takes
// everything to the end.
std::string StrMid(const std::string& source, int start, int length);

// A lead byte followed by a trail byte of code page 932.
bool IsSjisDoubleByte(const char* p);
// Characters of a NUL-terminated text; a double-byte pair counts one, a
// newline none.
int CountChars(const char* text);
// The same over the first length bytes of text.
int CountChars(const char* text, size_t length);
// The longest prefix of text (length bytes) of at most limit bytes that does
// not split a double-byte character.
size_t SjisCutLength(const char* text, size_t length, size_t limit);
// Offset just past the last real separator ('\') among the first
// scanLength bytes of path, or 0 when there is none; a 0x5C trail byte of a
// double-byte character is no separator.
size_t AfterLastSeparator(const char* path, size_t scanLength);

// Paths. Buffer forms take the target's capacity (a path buffer by default)
// and never write past it; a result that does not fit fails with 0 and
// leaves the target unchanged.
int MakeRelativePath(char* path, size_t capacity = kMaxPath);
int MakeRelativePath(std::string& path);
int MakeAbsolutePath(char* path, size_t capacity = kMaxPath);
int MakeAbsolutePath(std::string& path);
void StripFolder(char* path);
int ReplaceExt(char* target, size_t capacity, const char* path, const char* ext);
int StripExt(char* path);
int StripExt(std::string& path);
int GetExt(char* target, size_t capacity, const char* path);
int MakeNumberedName(char* target, size_t capacity, const char* path, int number);
int FindNumberedFile(char* target, size_t capacity, const char* path, const char* ext);
int FindNumberedFile(std::string& target, const std::string& path, const std::string& ext);
