#pragma once

#include <stdexcept>
#include <string>

// A command that cannot be carried out. The message, in French and UTF-8,
// is for the user: what went wrong, where, and what to do about it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message)
        : std::runtime_error(message)
    {
    }
};
