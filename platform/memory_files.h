// Files held in memory in place of the disk, switched on only by the test
// switch of platform/testing.h: the file-system edge asks here first, so
// every reader and replacing writer works on memory unchanged. Private to
// platform/paths.cpp and memory_files.cpp.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace plat::memfiles {

// Whether the switch is on; one relaxed load, so the disk path costs nothing.
bool On();

// The key a program path is held under: separators made one, letter case
// folded as the case-blind disk lookup folds it.
std::string Key(std::string_view path);

// A FILE* reading the bytes held for the path (they stay valid while it is
// open, whatever happens to the entry); null when nothing is held.
FILE* OpenForReading(std::string_view path);
bool Holds(std::string_view path);

// A FILE* collecting a new file; its bytes become the entry of the key only
// through EndWrite with keep, after the FILE* is closed.
FILE* BeginWrite(const std::string& key);
void EndWrite(const std::string& key, bool keep);

}  // namespace plat::memfiles
