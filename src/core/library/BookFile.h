#pragma once
// Opening a book file named by its path into the library: its bytes are read (up to the
// largest book file the readers take) and handed to the program's library. Holds no state,
// so the window runs it on a worker thread with a file system of its own; the session step
// that shows the book follows on the window's thread.
#include "core/library/Library.h"
#include "core/port/FileSystem.h"

#include <string>

namespace qm::library {

// Whether the file at `path` opens as a book through the library: a book file by its name
// (".epub", ".htm", ".html", ".txt"), or a file with no such name that is not a collection,
// a ".tvt" or a text of the built-in sources, and whose first bytes do not read as a stored
// text (a prose file named without an extension). A file that cannot be read is no book.
bool opensAsBook(const FileSystem& fs, const std::string& path);

// The book of the file at `path`, found in or added to the library of `dataFolder` (ending
// with "/"), cascaded with `parser` when it is new. Throws UserError ("Cannot open file %s", a
// file larger than any book, or the readers' and the library's own messages) or
// OpenCancelled.
Book openBookFile(FileSystem& fs, const std::string& dataFolder, const std::string& path,
                  cascade::SentenceParser* parser, const Progress& progress = {});

// Lays the stored book `key` out again from the file at `path` (which must hold the bytes it
// was opened from) and moves its bookmarks in bookmarkFile to the same words. Throws as
// openBookFile does; on any failure the book and the bookmark file stay as they were.
Relaid relayBookFile(FileSystem& fs, const std::string& dataFolder, const std::string& key,
                     const std::string& path, const std::string& bookmarkFile,
                     cascade::SentenceParser* parser, const Progress& progress = {});

} // namespace qm::library
