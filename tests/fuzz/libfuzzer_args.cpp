// The targets work in a scratch folder of their own (entered on the first
// input), while libFuzzer reads its corpus and writes what it finds lazily,
// by the paths it was given. Relative paths are made absolute here, before
// libFuzzer reads its arguments, and findings go to the folder the target
// was started in unless a prefix is given: otherwise a relative corpus reads
// as empty ("no interesting inputs") and a crash file lands in the scratch
// folder.
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool IsFlag(const char* arg) { return arg[0] == '-'; }

// "-name=value" options whose value is a path.
const char* const kPathFlags[] = {"-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-features_dir=",
                                  "-merge_control_file="};

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec).lexically_normal();
    if (ec) return path;
    std::string out = abs.string();
    // A prefix is joined to a file name as it stands: keep its closing slash.
    if (!path.empty() && path.back() == '/' && (out.empty() || out.back() != '/')) out += '/';
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::deque<std::string> storage;
    static std::vector<char*> args;
    bool hasPrefix = false;
    args.push_back((*argv)[0]);
    for (int i = 1; i < *argc; ++i) {
        const char* arg = (*argv)[i];
        if (!IsFlag(arg)) {
            storage.push_back(Absolute(arg));
            args.push_back(storage.back().data());
            continue;
        }
        bool rewritten = false;
        for (const char* flag : kPathFlags) {
            const size_t n = std::strlen(flag);
            if (std::strncmp(arg, flag, n) != 0) continue;
            if (std::strcmp(flag, "-artifact_prefix=") == 0) hasPrefix = true;
            storage.push_back(std::string(flag) + Absolute(arg + n));
            args.push_back(storage.back().data());
            rewritten = true;
            break;
        }
        if (!rewritten) args.push_back((*argv)[i]);
    }
    if (!hasPrefix) {
        storage.push_back("-artifact_prefix=" + Absolute("./"));
        args.push_back(storage.back().data());
    }
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size()) - 1;
    *argv = args.data();
    return 0;
}
