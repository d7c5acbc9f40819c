// Which running extraction an abort key names: ZE_Abort may come from a callback of the run
// itself or from another thread, and must never touch a run that has already ended.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

#include "engine/Extractor.h"

namespace zipengine {

class AbortRegistry {
public:
    static AbortRegistry& instance();

    // Registers a run for as long as the returned registration lives.
    class Registration {
    public:
        Registration(AbortRegistry& registry, Extractor& extractor);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        std::int32_t key() const { return key_; }

    private:
        AbortRegistry& registry_;
        std::int32_t key_;
    };

    // false when no run has that key (it ended, or never was).
    bool abort(std::int32_t key);

private:
    std::mutex mutex_;
    std::map<std::int32_t, Extractor*> running_;  // not owned
    std::int32_t nextKey_ = 0x5A450001;
};

}  // namespace zipengine
