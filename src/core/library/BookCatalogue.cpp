#include "core/library/BookCatalogue.h"

#include <algorithm>

namespace qm::library {

namespace {

constexpr int kBookLevel = 0;
constexpr int kDeepestLevel = 5;

std::string safeTitle(std::string_view title) {
    std::string out;
    out.reserve(title.size());
    for (std::size_t i = 0; i < title.size(); ++i) {
        const char c = title[i];
        if (static_cast<unsigned char>(c) < 0x20) {
            out.push_back(' ');
        } else if (c == '<' && i + 1 < title.size() && title[i + 1] == '<') {
            out += "( ";
            ++i;
        } else if (c == '@') {
            out += "(at)";
        } else {
            out.push_back(c);
        }
    }
    std::string trimmed = trimBlanks(out);
    return trimmed.empty() ? std::string("*") : trimmed;
}

// The level character of a line, or '\0' for a line without "<<" or ending right after it.
char levelOf(const std::string& line) {
    const auto sep = line.find("<<");
    return sep != std::string::npos && sep + 2 < line.size() ? line[sep + 2] : '\0';
}

} // namespace

Lines foldOneBookCatalogue(Lines catalogue) {
    if (catalogue.size() < 3 || levelOf(catalogue[0]) != '0' || levelOf(catalogue[1]) != '1' ||
        !catalogue[0].ends_with("<<0none") || levelOf(catalogue.back()) != '\0')
        return catalogue;
    for (std::size_t i = 2; i + 1 < catalogue.size(); ++i) {
        const char level = levelOf(catalogue[i]);
        if (level < '2' || level > '5') return catalogue;
    }
    catalogue.erase(catalogue.begin());
    for (std::size_t i = 0; i + 1 < catalogue.size(); ++i)
        --catalogue[i][catalogue[i].find("<<") + 2];
    return catalogue;
}

namespace {

// Hands each catalogue line to `emit` in order.
template <typename Emit>
void forEachCatalogueLine(const std::string& key, const std::string& bookTitle,
                          const std::vector<CatalogueChapter>& chapters, Emit emit) {
    emit(safeTitle(bookTitle) + "<<" + std::to_string(kBookLevel) + key);
    int previous = kBookLevel;
    for (const CatalogueChapter& c : chapters) {
        if (c.referencePoint.empty()) continue;
        const int wanted = kBookLevel + 1 + std::max(0, c.depth);
        const int level = std::min({wanted, previous + 1, kDeepestLevel});
        emit(safeTitle(c.title) + "<<" + std::to_string(level) + key + "@" + c.referencePoint);
        previous = level;
    }
    emit(std::string("(END)"));
}

} // namespace

std::string bookCatalogueText(const std::string& key, const std::string& bookTitle,
                              const std::vector<CatalogueChapter>& chapters) {
    // Measured first, so that the text is never copied into a doubled buffer.
    std::size_t size = 0;
    forEachCatalogueLine(key, bookTitle, chapters,
                         [&size](const std::string& line) { size += line.size() + 2; });
    std::string text;
    text.reserve(size);
    forEachCatalogueLine(key, bookTitle, chapters, [&text](const std::string& line) {
        text += line;
        text += "\r\n";
    });
    return text;
}

} // namespace qm::library
