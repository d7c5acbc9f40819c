// Native builds load no engine library: the binding's rules are exercised there with
// engines that tests provide through their own loader.
#include <cerrno>

#include "archive/ZAEngine.h"

namespace quill::archive {

namespace {

class TNoLibraryLoader : public TZALibraryLoader {
public:
    Module Load(const std::string&, uint32_t& error) override {
        error = 126;  // "The specified module could not be found."
        return nullptr;
    }
    void* Export(Module, const char*) override { return nullptr; }
    void Free(Module) override {}
    std::string ErrorText(uint32_t) override { return "The specified module could not be found."; }
    std::string ExecutableFolder() override { return "./"; }
    std::string StringResource(int) override { return {}; }
    std::vector<uint8_t> DataResource(int) override { return {}; }
    uint32_t LastSystemError() override { return uint32_t(errno); }
    void* MainWindow() override { return nullptr; }
};

}  // namespace

TZALibraryLoader& SystemLibraryLoader() {
    static TNoLibraryLoader loader;
    return loader;
}

}  // namespace quill::archive
