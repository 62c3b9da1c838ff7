#pragma once
// Writing the word index file of a text, as the reader opens it.
#include "core/shell/Session.h"

#include <string>

namespace qm {

// Opens the text in the session as the reader does and writes the word index of its display
// lines to outPath (safely, through the session's file system). Throws UserError on failure.
void writeWordIndexFor(Session& session, const std::string& textPath, const std::string& outPath);

} // namespace qm
