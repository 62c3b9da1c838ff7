#pragma once
// Errors that reach the user. An operation that fails throws UserError with the message the
// user sees; the window's general error report (or the headless runner) shows it. The
// operation stops where it failed and what was already done stays done.
#include <stdexcept>
#include <string>

namespace qm {

class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The platform's fixed messages, formatted as the user sees them.
std::string cannotCreateFileMessage(const std::string& path);
std::string unableToWriteMessage(const std::string& path);
std::string listIndexOutOfBoundsMessage(long long index);
std::string notValidIntegerMessage(const std::string& text);

// The message for the exception being handled (call it inside a catch block): a UserError's
// own; for running out of memory or any other failure, a sentence that says so. No exception
// ends the program: every handler's failure is shown with this and the reader goes on.
std::string currentExceptionMessage();

} // namespace qm
