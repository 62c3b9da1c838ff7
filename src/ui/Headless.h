#pragma once
// The headless runner: the window's start-up and first activation on a reading page of a
// given size with no window, then the command line's actions as a user would do them, then
// the requested output. Questions are answered No and messages go to the error stream.
// Nothing is saved at the end: no settings, no closing mark.
#include "core/port/FileSystem.h"
#include "core/port/Platform.h"
#include "ui/CommandLine.h"

#include <iosfwd>
#include <string>

namespace qm {

namespace cascade {
class SentenceParser;
}

// Returns the exit code: 0, or 1 when a handler failed (its message is printed).
int runHeadless(const CommandLine& options, const std::string& exePath,
                const std::string& dataFolder, FileSystem& fs, Platform& platform,
                std::ostream& out, std::ostream& err);

// The tools (--cascade, --make-index), cascading with `parser` (nullptr: the lexicon rules);
// returns the exit code.
int runTools(const CommandLine& options, cascade::SentenceParser* parser, FileSystem& fs,
             std::ostream& out, std::ostream& err);

} // namespace qm
