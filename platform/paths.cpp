#include "platform/paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <system_error>
#include <unordered_map>

#include "platform/memory_files.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HostEntryExists(const std::string& hostPath) {
    struct stat st{};
    return lstat(hostPath.c_str(), &st) == 0;
}

std::string FoldAsciiCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

// The name in the folder equal to `name` ignoring ASCII letter case; ""
// when there is none. Of several, the smallest by bytes, so the choice
// does not depend on the order the folder happens to list them in.
//
// What a folder holds is kept, by the folder's device and inode, while its
// modification time stays the same, so opening many files of one folder
// lists it once. A listing taken within two seconds of the folder's last
// change is not kept: a file system that counts time coarsely could change
// the folder again without moving that time.
struct FolderNames {
    timespec modified{};
    std::unordered_map<std::string, std::string> byFolded;  // folded name -> name
};

struct FolderKey {
    dev_t device;
    ino_t inode;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    size_t operator()(const FolderKey& k) const {
        return std::hash<uint64_t>()(static_cast<uint64_t>(k.inode) * 31 + static_cast<uint64_t>(k.device));
    }
};

constexpr size_t kKeptFolders = 256;
constexpr time_t kSettledSeconds = 2;

std::mutex g_folderLock;
std::unordered_map<FolderKey, FolderNames, FolderKeyHash> g_folderNames;

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

FolderNames ListFolderNames(const std::string& folder, const timespec& modified) {
    FolderNames names;
    names.modified = modified;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string_view name(entry->d_name);
        auto [at, added] = names.byFolded.try_emplace(FoldAsciiCase(name), name);
        if (!added && name < at->second) at->second = name;
    }
    closedir(dir);
    return names;
}

std::string FindIgnoringCase(const std::string& folder, std::string_view name) {
    struct stat st{};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
    const FolderKey key{st.st_dev, st.st_ino};
    const std::string folded = FoldAsciiCase(name);
    std::lock_guard lock(g_folderLock);
    auto kept = g_folderNames.find(key);
    if (kept == g_folderNames.end() || !SameTime(kept->second.modified, st.st_mtim)) {
        FolderNames names = ListFolderNames(folder, st.st_mtim);
        if (kept != g_folderNames.end()) g_folderNames.erase(kept);
        const bool settled = std::time(nullptr) - st.st_mtim.tv_sec >= kSettledSeconds;
        if (!settled) {
            auto found = names.byFolded.find(folded);
            return found == names.byFolded.end() ? "" : found->second;
        }
        if (g_folderNames.size() >= kKeptFolders) g_folderNames.clear();
        kept = g_folderNames.emplace(key, std::move(names)).first;
    }
    auto found = kept->second.byFolded.find(folded);
    return found == kept->second.byFolded.end() ? "" : found->second;
}

// A host path with a NUL inside would be cut short by the C calls and name
// some other file; such a path names nothing.
bool Usable(const std::string& hostPath) { return hostPath.find('\0') == std::string::npos; }

// The open(2) flags of an fopen mode; false for a mode fopen refuses.
bool OpenFlags(const char* mode, int* flags) {
    switch (mode[0]) {
        case 'r': *flags = O_RDONLY; break;
        case 'w': *flags = O_WRONLY | O_CREAT | O_TRUNC; break;
        case 'a': *flags = O_WRONLY | O_CREAT | O_APPEND; break;
        default: return false;
    }
    for (const char* m = mode + 1; *m; ++m) {
        if (*m == '+') *flags = (*flags & ~O_ACCMODE) | O_RDWR;
        else if (*m == 'x') *flags |= O_EXCL;
        else if (*m == 'e') *flags |= O_CLOEXEC;
    }
    return true;
}

// Opens only a regular file. A FIFO would hold the open until some writer
// came, and a device or socket holds no file, so anything else is a file
// that cannot be opened, as a missing one is. Not blocking while opening,
// blocking again once the kind is known.
FILE* OpenRegularFile(const std::string& hostPath, const char* mode) {
    int flags = 0;
    if (!OpenFlags(mode, &flags)) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = open(hostPath.c_str(), flags | O_NONBLOCK, 0666);
    if (fd < 0) return nullptr;
    struct stat st{};
    int error = 0;
    FILE* f = nullptr;
    if (fstat(fd, &st) != 0) error = errno;
    else if (S_ISDIR(st.st_mode)) error = EISDIR;
    else if (!S_ISREG(st.st_mode)) error = ENXIO;
    if (!error) {
        const int status = fcntl(fd, F_GETFL);
        if (status == -1 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == -1 || !(f = fdopen(fd, mode))) error = errno;
    }
    if (f) return f;
    close(fd);
    errno = error;
    return nullptr;
}

// Once the new file is renamed into place, the folder holds the change; a
// file system that cannot sync a folder has nothing more to do.
void SyncFolderOf(const std::string& hostPath) {
    const size_t slash = hostPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

std::vector<std::string> SplitProgramPath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        auto b = static_cast<uint8_t>(c);
        // The second byte of a double-byte character (the 5C of "ソ", "表")
        // is part of the name. A lead byte followed by something that cannot
        // be a trail byte stands alone, so "\x81/" still ends at the slash.
        if (IsSjisLeadByte(b) && i + 1 < path.size() && IsSjisTrailByte(static_cast<uint8_t>(path[i + 1]))) {
            part += c;
            part += path[++i];
        } else if (IsSeparator(c)) {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(std::move(part));
    return parts;
}

bool IsAbsoluteProgramPath(std::string_view path) {
    if (path.empty()) return false;
    if (IsSeparator(path[0])) return true;
    char d = AsciiLower(path[0]);
    return path.size() >= 2 && d >= 'a' && d <= 'z' && path[1] == ':';
}

std::string ToHostPath(std::string_view path) {
    const bool rooted = !path.empty() && IsSeparator(path[0]);
    std::string host = rooted ? "/" : "";
    std::string folder = rooted ? "/" : ".";  // where the next part is looked for
    bool searching = true;
    for (const std::string& part : SplitProgramPath(path)) {
        bool converted = false;
        std::string name = SjisToUtf8(part, &converted);
        if (!converted) name = part;  // perhaps stored on disk unconverted
        if (searching && name != "." && name != "..") {
            std::string exact = folder + (folder.back() == '/' ? "" : "/") + name;
            if (!Usable(name)) {
                searching = false;
            } else if (!HostEntryExists(exact)) {
                std::string match = FindIgnoringCase(folder, name);
                if (match.empty()) searching = false;  // a new name: nothing below it exists
                else name = match;
            }
        }
        if (!host.empty() && host.back() != '/') host += '/';
        host += name;
        if (folder.back() != '/') folder += '/';
        folder += name;
    }
    return host;
}

std::string FromHostPath(std::string_view hostPath) {
    std::string out;
    if (!hostPath.empty() && hostPath[0] == '/') out.push_back('\\');
    size_t start = 0;
    while (start <= hostPath.size()) {
        size_t end = hostPath.find('/', start);
        if (end == std::string_view::npos) end = hostPath.size();
        std::string_view part = hostPath.substr(start, end - start);
        if (!part.empty()) {
            std::string sjis = Utf8ToSjis(part);
            // A lone 5C in the result ("\" in the host name, or a yen sign
            // the code page folds onto it) would read back as a separator.
            for (size_t i = 0; i < sjis.size(); ++i) {
                if (IsSjisLeadByte(static_cast<uint8_t>(sjis[i])) && i + 1 < sjis.size() &&
                    IsSjisTrailByte(static_cast<uint8_t>(sjis[i + 1])))
                    ++i;
                else if (sjis[i] == '\\') sjis[i] = '?';
            }
            if (!out.empty() && out.back() != '\\') out += '\\';
            out += sjis;
        }
        start = end + 1;
    }
    return out;
}

std::string CurrentFolder() {
    std::string buf(256, '\0');
    while (true) {
        if (getcwd(buf.data(), buf.size())) break;
        if (errno != ERANGE || buf.size() > (1u << 20)) return "";
        buf.resize(buf.size() * 2);
    }
    buf.resize(buf.find('\0'));
    // getcwd may answer "(unreachable)..." for a folder outside our root.
    if (buf.empty() || buf[0] != '/') return "";
    return FromHostPath(buf);
}

FILE* OpenFile(std::string_view path, const char* mode) {
    if (!mode) return nullptr;
    if (memfiles::On() && mode[0] == 'r' && !std::strchr(mode, '+'))
        if (FILE* f = memfiles::OpenForReading(path)) return f;
    std::string host = ToHostPath(path);
    if (host.empty() || !Usable(host)) {
        errno = ENOENT;
        return nullptr;
    }
    return OpenRegularFile(host, mode);
}

bool ReadWholeFile(std::string_view path, std::vector<uint8_t>* out) {
    out->clear();
    FILE* f = OpenFile(path, "rb");
    if (!f) return false;
    uint8_t block[65536];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0) out->insert(out->end(), block, block + n);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

std::vector<std::string> ListFolder(std::string_view path) {
    std::vector<std::string> names;
    const std::string host = ToHostPath(path);
    if (host.empty() || !Usable(host)) return names;
    DIR* dir = opendir(host.c_str());
    if (!dir) return names;
    while (dirent* entry = readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name != "." && name != "..") names.push_back(FromHostPath(name));
    }
    closedir(dir);
    return names;
}

bool PathExists(std::string_view path) {
    if (memfiles::On() && memfiles::Holds(path)) return true;
    std::string host = ToHostPath(path);
    struct stat st{};
    return !host.empty() && Usable(host) && stat(host.c_str(), &st) == 0;
}

bool IsFolder(std::string_view path) {
    if (memfiles::On() && memfiles::Holds(path)) return false;
    std::string host = ToHostPath(path);
    struct stat st{};
    return !host.empty() && Usable(host) && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool BeginReplace(std::string_view path, ReplacingFile* out) {
    if (!out) return false;
    *out = ReplacingFile{};
    if (memfiles::On()) {
        std::string key = memfiles::Key(path);
        FILE* f = memfiles::BeginWrite(key);
        if (!f) return false;
        *out = ReplacingFile{f, std::move(key), "", true};
        return true;
    }
    std::string host = ToHostPath(path);
    if (host.empty() || !Usable(host)) {
        errno = ENOENT;
        return false;
    }
    if (IsFolder(path)) {
        errno = EISDIR;
        return false;
    }
    std::string temp = host + ".tmp";
    FILE* f = OpenRegularFile(temp, "wb");
    if (!f) return false;
    *out = ReplacingFile{f, std::move(host), std::move(temp)};
    return true;
}

bool EndReplace(ReplacingFile* file, bool keep) {
    if (!file || !file->file) return false;
    bool ok = std::fflush(file->file) == 0 && keep;
    if (file->inMemory) {
        ok = std::fclose(file->file) == 0 && ok;
        memfiles::EndWrite(file->target, ok);
        *file = ReplacingFile{};
        return ok;
    }
    // The new bytes reach the disk before the name does, so a power loss
    // leaves the old file or the new one, never an empty one.
    ok = ok && fsync(fileno(file->file)) == 0;
    ok = std::fclose(file->file) == 0 && ok;
    ok = ok && std::rename(file->temp.c_str(), file->target.c_str()) == 0;
    if (ok) {
        SyncFolderOf(file->target);
    } else {
        const int error = errno;  // the caller's reason, not the clean-up's
        std::remove(file->temp.c_str());
        errno = error;
    }
    *file = ReplacingFile{};
    return ok;
}

namespace {

namespace fs = std::filesystem;

bool MakeHostFolder(const fs::path& host) {
    std::error_code ec;
    return fs::create_directory(host, ec) && !ec;
}

// Links are followed, so a loop of them would nest without end.
constexpr int kMaxCopyDepth = 64;

}  // namespace

bool MakeFolder(std::string_view path) {
    const std::string host = ToHostPath(path);
    return !host.empty() && Usable(host) && MakeHostFolder(host);
}

bool CopyFolderContents(std::string_view from, std::string_view to) {
    const fs::path hostFrom = ToHostPath(from);
    const fs::path hostTo = ToHostPath(to);
    if (hostFrom.empty() || hostTo.empty() || !Usable(hostFrom) || !Usable(hostTo)) return false;
    std::error_code ec;
    fs::recursive_directory_iterator it(hostFrom, fs::directory_options::follow_directory_symlink, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it.depth() > kMaxCopyDepth) return false;
        const fs::path target = hostTo / it->path().lexically_relative(hostFrom);
        const fs::file_status st = fs::status(it->path(), ec);
        if (ec) return false;
        if (fs::is_directory(st)) {
            if (!MakeHostFolder(target)) return false;
        } else if (fs::is_regular_file(st)) {
            if (!fs::copy_file(it->path(), target, fs::copy_options::none, ec) || ec) return false;
        } else {
            return false;  // a device, pipe or broken link holds no data to copy
        }
    }
    return !ec;
}

void RemoveFolderTree(std::string_view path) {
    const std::string host = ToHostPath(path);
    if (host.empty() || !Usable(host)) return;
    std::error_code ec;
    fs::remove_all(host, ec);
}

}  // namespace plat
