#include "support/test_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/testing.h"

namespace orvtest {

ScopedTempFolder::ScopedTempFolder() {
    char buf[4096];
    if (getcwd(buf, sizeof buf)) m_previous = buf;
    std::string pattern = (std::filesystem::temp_directory_path() / "orvtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_host = pattern;
    if (chdir(m_host.c_str()) != 0) throw std::runtime_error("chdir failed");
}

ScopedTempFolder::~ScopedTempFolder() {
    if (!m_previous.empty() && chdir(m_previous.c_str()) != 0) std::perror("chdir");
    std::error_code ec;
    std::filesystem::remove_all(m_host, ec);
}

ScopedRunMode::ScopedRunMode(const char* headless, const char* videoDriver)
    : m_headless("ORV_HEADLESS", headless), m_driver("SDL_VIDEODRIVER", videoDriver) {
    plat::testing::ForgetRunMode();
}

ScopedRunMode::Forget::~Forget() { plat::testing::ForgetRunMode(); }

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool HostFileExists(const std::string& hostPath) {
    std::error_code ec;
    return std::filesystem::exists(hostPath, ec);
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size();) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

}  // namespace orvtest
