// Helpers shared by the test programs.
#pragma once
#include <cstdlib>
#include <optional>
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

// Sets (or with null clears) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// The layer's run mode chosen afresh under these values of ORV_HEADLESS and
// SDL_VIDEODRIVER (null: unset), and again under the old ones at the end.
class ScopedRunMode {
public:
    ScopedRunMode(const char* headless, const char* videoDriver);
    ScopedRunMode(const ScopedRunMode&) = delete;
    ScopedRunMode& operator=(const ScopedRunMode&) = delete;

private:
    // Destroyed last, once the variables are back.
    struct Forget {
        ~Forget();
    } m_forget;
    ScopedEnv m_headless;
    ScopedEnv m_driver;
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
