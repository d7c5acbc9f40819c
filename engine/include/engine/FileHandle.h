// Opening files by std::filesystem::path with C stdio, wide on Windows so any name works.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace zipengine {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// mode is "rb" or "wb"; an empty handle when the file cannot be opened.
FileHandle openFile(const std::filesystem::path& path, const char* mode);

// Seek that takes 64-bit offsets on every platform.
bool seekFile(std::FILE* file, std::uint64_t offset);

}  // namespace zipengine
