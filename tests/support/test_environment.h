#pragma once
// Helpers for Windows test programs run under wine by ctest: environment values
// set by the test scripts, and Unix paths turned into paths wine understands.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace testenv {

inline std::string Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// wine maps the Unix root to drive Z:.
inline std::string WindowsPath(const std::string& unixPath) {
    if (unixPath.empty() || unixPath[0] != '/') return unixPath;
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace testenv
