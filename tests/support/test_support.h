// Helpers shared by the test programs.
#pragma once
#include <string>

namespace orvtest {

// A fresh empty folder, made the current folder for the object's life and
// removed afterwards.
class ScopedTempFolder {
public:
    ScopedTempFolder();
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;
    const std::string& host() const { return m_host; }  // host path (UTF-8)

private:
    std::string m_host;
    std::string m_previous;
};

// Whole contents of a host file; "" when it cannot be read.
std::string ReadHostFile(const std::string& hostPath);
void WriteHostFile(const std::string& hostPath, const std::string& bytes);
bool HostFileExists(const std::string& hostPath);

// Bytes as hex pairs separated by blanks ("83 47"), for readable failures.
std::string Hex(const std::string& bytes);
// The reverse: "85 03 ..." as bytes; blanks are ignored.
std::string FromHex(const std::string& hex);

}  // namespace orvtest
