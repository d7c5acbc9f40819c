#include "AbortRegistry.h"

namespace zipengine {

AbortRegistry& AbortRegistry::instance() {
    static AbortRegistry registry;
    return registry;
}

AbortRegistry::Registration::Registration(AbortRegistry& registry, Extractor& extractor)
    : registry_(registry) {
    std::lock_guard lock(registry_.mutex_);
    key_ = registry_.nextKey_++;
    if (key_ == 0) key_ = registry_.nextKey_++;  // 0 means "no engine call" to the component
    registry_.running_[key_] = &extractor;
}

AbortRegistry::Registration::~Registration() {
    std::lock_guard lock(registry_.mutex_);
    registry_.running_.erase(key_);
}

bool AbortRegistry::abort(std::int32_t key) {
    std::lock_guard lock(mutex_);
    auto found = running_.find(key);
    if (found == running_.end()) return false;
    found->second->abort();
    return true;
}

}  // namespace zipengine
