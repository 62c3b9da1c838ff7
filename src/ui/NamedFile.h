#pragma once
// Files named to the reader outside its open dialogs: dropped on the window, or named on the
// command line. Each is opened by the command that opens its kind of file, with the file as
// that command's open-dialog answer, so it goes exactly the way the command goes.
#include "core/base/Paths.h"
#include "core/shell/Session.h"

#include <functional>
#include <optional>
#include <string>

namespace qm {

// A collection or a book (by its name or, for a name that does not say, by its first bytes)
// named at start-up is no text: it is opened after the window's first activation, the way
// the command for its kind opens it.
bool opensAfterActivation(const FileSystem& fs, const std::string& path);

// Runs the catalogue command for a collection file, Open File for any other, through run
// (which reports a failure as the event loop does), with answer holding the path for the
// command's open dialog; the answer is cleared afterwards, used or not. Returns run's result.
bool openNamedFile(Session& session, const std::string& path, std::optional<std::string>& answer,
                   const std::function<bool(const std::function<void()>&)>& run);

} // namespace qm
