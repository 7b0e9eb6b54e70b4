#pragma once

#include <stdexcept>
#include <string>

namespace artikel {

// A file or folder operation failed. The message is the German sentence shown to the user
// (Windows-1252 bytes); code is the errno of the failing call, or a fixed code where the
// program defines one (3: a folder cannot be created).
class EInOutError : public std::runtime_error {
public:
    EInOutError(const std::string& message, int code)
        : std::runtime_error(message),
          code_(code)
    {}
    int Code() const { return code_; }

private:
    int code_;
};

} // namespace artikel
