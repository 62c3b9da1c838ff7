#pragma once
// The books opened last, newest first, for the File menu's Recent Books: a small list file in
// the library folder, read once at start-up (no book's own files are read for it) and written
// safely, under its lock, each time a library book is shown. One line per book: its key, its
// title (UTF-8, as its manifest has it) and the path of the file it was opened from,
// separated by tabs. Lines that do not read so are skipped; a key is listed once.
#include "core/port/FileSystem.h"

#include <string>
#include <vector>

namespace qm::library {

struct RecentBook {
    std::string key;
    std::string title;
    std::string source;
    bool operator==(const RecentBook&) const = default;
};

// The longest the list grows; older books drop off its end.
inline constexpr std::size_t kMaxRecentBooks = 10;

// The list file of the library in `dataFolder` (ending with "/").
std::string recentBooksFile(const std::string& dataFolder);

// The list as the file's bytes give it; empty when there are none.
std::vector<RecentBook> parseRecentBooks(std::string_view bytes);

// The list in the data folder; empty when the file is missing or cannot be read.
std::vector<RecentBook> readRecentBooks(const FileSystem& fs, const std::string& dataFolder);

// Puts the book first in the list (its older line goes) and writes the list; returns it.
// Throws UserError when the file cannot be written, leaving it as it was.
std::vector<RecentBook> noteRecentBook(FileSystem& fs, const std::string& dataFolder,
                                       RecentBook book);

// Takes the book of this key off the list and writes it; returns the list.
std::vector<RecentBook> forgetRecentBook(FileSystem& fs, const std::string& dataFolder,
                                         const std::string& key);

} // namespace qm::library
