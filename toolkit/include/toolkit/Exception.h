// The toolkit's exceptions; other areas derive theirs from Exception.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tk {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Misuse of the component tree (duplicate names, bad parents).
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

// A failed system call; Code is the system's error number.
class EOSError : public Exception {
public:
    EOSError(const std::string& message, std::uint32_t code) : Exception(message), Code(code) {}
    std::uint32_t Code;
};

}  // namespace tk
