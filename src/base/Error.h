#pragma once

#include <stdexcept>
#include <string>

namespace pelmora {

// Root of every error the core raises. Each module derives its own typed errors from it
// (ESocketError, EMessageError, ...), so the one boundary that shows errors to the user --
// the GUI's handler or the command line's main -- can catch them all and print what().
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Wrong use of the command line (unknown command, missing argument): exit code 2, not 1.
class UsageError : public Error {
public:
    using Error::Error;
};

} // namespace pelmora
