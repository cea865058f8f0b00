// The file-system edge. Inside the program a path keeps its stored Windows
// form: Shift-JIS bytes, backslashes, names in any letter case. Here it
// becomes a host path: split on real separators (a 0x5C trail byte of a
// double-byte character such as "ソ" or "表" is none), each part converted
// to UTF-8, joined with slashes, and each part found case-insensitively when
// the exact name does not exist (what a folder holds is kept for that while
// the folder is unchanged).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The parts of a program path between its separators ('\' or '/'), in order;
// empty parts (doubled or leading separators) are dropped.
std::vector<std::string> SplitProgramPath(std::string_view path);

// True for "\...", "/..." and drive forms "X:...".
bool IsAbsoluteProgramPath(std::string_view path);

// The host path (UTF-8, slashes) of a program path, each existing part
// matched case-insensitively where the exact name is missing. Parts that do
// not exist yet are converted as they are, so new files can be created.
std::string ToHostPath(std::string_view path);

// A host path in program form: code page 932, backslashes.
std::string FromHostPath(std::string_view hostPath);

// The current folder in program form ("\work\game"), "" when unknown.
std::string CurrentFolder();

// fopen through the edge, for regular files only: a folder, FIFO, device
// or socket of that name is refused (null) as a missing file is, and never
// blocks the open.
FILE* OpenFile(std::string_view path, const char* mode);
// Every byte of a file opened as OpenFile opens it, in place of what `out`
// held; false when it cannot be opened or read to its end.
bool ReadWholeFile(std::string_view path, std::vector<uint8_t>* out);

// Writing that never loses the previous file: the bytes go to a temporary
// file beside the target, which replaces the target only when the writer
// says the file is whole. The new file is flushed to the disk before the
// rename and the folder after it, so even a power loss keeps one whole file.
struct ReplacingFile {
    FILE* file = nullptr;
    std::string target;  // host paths
    std::string temp;
    bool inMemory = false;  // kept in memory by the test switch; target is its key
};
// Starts writing the file; false (errno says why) when the target is a
// folder or the temporary file cannot be created.
bool BeginReplace(std::string_view path, ReplacingFile* out);
// Closes the temporary file. With `keep` and nothing failing (closing
// included) it replaces the target; otherwise it is removed and the target
// stays as it was. True when the target was replaced; on a failure of its
// own errno says why.
bool EndReplace(ReplacingFile* file, bool keep);

// The names in a folder, program form, in no particular order ("." and
// ".." left out); none when it cannot be listed.
std::vector<std::string> ListFolder(std::string_view path);

// True when a file or folder of that name exists.
bool PathExists(std::string_view path);
bool IsFolder(std::string_view path);

// Folder work on program paths.
// Makes one new folder; false when it exists already or cannot be made.
bool MakeFolder(std::string_view path);
// Copies everything inside the folder `from` into the existing folder `to`,
// every file whole and every link followed (nesting capped, so a link loop
// ends); false at the first thing that cannot be copied.
bool CopyFolderContents(std::string_view from, std::string_view to);
// Removes the folder and everything in it; nothing when it does not exist.
void RemoveFolderTree(std::string_view path);

}  // namespace plat
