#include "core/library/RecentBooks.h"

#include "core/base/Text.h"
#include "core/library/BookKey.h"

#include <algorithm>

namespace qm::library {

namespace {

// A title or path as one field of a line: tabs and line ends would split it.
std::string oneField(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::string listBytes(const std::vector<RecentBook>& books) {
    Lines lines;
    for (const RecentBook& book : books)
        lines.push_back(book.key + '\t' + oneField(book.title) + '\t' + oneField(book.source));
    return joinLinesCrLf(lines);
}

// Reads the list under its lock, lets `change` change it, and writes it back.
template <class Change>
std::vector<RecentBook> rewrite(FileSystem& fs, const std::string& dataFolder, Change change) {
    const std::string path = recentBooksFile(dataFolder);
    const auto lock = fs.lock(path);
    std::vector<RecentBook> books = parseRecentBooks(fs.readFile(path).value_or(std::string()));
    change(books);
    if (books.size() > kMaxRecentBooks) books.resize(kMaxRecentBooks);
    fs.writeFile(path, listBytes(books));
    return books;
}

} // namespace

std::string recentBooksFile(const std::string& dataFolder) {
    return dataFolder + "library/recent-books";
}

std::vector<RecentBook> parseRecentBooks(std::string_view bytes) {
    std::vector<RecentBook> books;
    for (const std::string& line : splitLines(bytes)) {
        const auto tab = line.find('\t');
        const auto secondTab = tab == std::string::npos ? tab : line.find('\t', tab + 1);
        if (secondTab == std::string::npos) continue;
        RecentBook book{line.substr(0, tab), line.substr(tab + 1, secondTab - tab - 1),
                        line.substr(secondTab + 1)};
        if (!isBookKey(book.key) || book.source.empty()) continue;
        const bool listed = std::any_of(books.begin(), books.end(),
                                        [&](const RecentBook& b) { return b.key == book.key; });
        if (!listed) books.push_back(std::move(book));
        if (books.size() == kMaxRecentBooks) break;
    }
    return books;
}

std::vector<RecentBook> readRecentBooks(const FileSystem& fs, const std::string& dataFolder) {
    return parseRecentBooks(fs.readFile(recentBooksFile(dataFolder)).value_or(std::string()));
}

std::vector<RecentBook> noteRecentBook(FileSystem& fs, const std::string& dataFolder,
                                       RecentBook book) {
    return rewrite(fs, dataFolder, [&book](std::vector<RecentBook>& books) {
        std::erase_if(books, [&](const RecentBook& b) { return b.key == book.key; });
        books.insert(books.begin(), std::move(book));
    });
}

std::vector<RecentBook> forgetRecentBook(FileSystem& fs, const std::string& dataFolder,
                                         const std::string& key) {
    return rewrite(fs, dataFolder, [&key](std::vector<RecentBook>& books) {
        std::erase_if(books, [&](const RecentBook& b) { return b.key == key; });
    });
}

} // namespace qm::library
