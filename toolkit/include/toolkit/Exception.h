// The toolkit's exceptions; other areas derive theirs from Exception.
#pragma once

#include <cstdint>
#include <exception>
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

// A file could not be created, opened, read or written: the toolkit's file input and output.
// The message names the file and the system's reason (see SysUtils.h, RaiseFileError).
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// The registry refused a key or a value.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The text of a caught exception for the user: its message, or `fallback` when it has none
// (not a std::exception, or an empty message).
inline std::string ExceptionText(std::exception_ptr error, const std::string& fallback) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        if (*e.what()) return e.what();
    } catch (...) {
    }
    return fallback;
}

}  // namespace tk
