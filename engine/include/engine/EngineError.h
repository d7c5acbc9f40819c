// The one exception type of the engine core: a failure with the code the callback reports.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "engine/ZipEngineAbi.h"

namespace zipengine {

class EngineError : public std::runtime_error {
public:
    EngineError(zipengine_abi::ZE_ErrorCode code, const std::string& text)
        : std::runtime_error(text), code_(code) {}
    zipengine_abi::ZE_ErrorCode code() const { return code_; }

private:
    zipengine_abi::ZE_ErrorCode code_;
};

}  // namespace zipengine
