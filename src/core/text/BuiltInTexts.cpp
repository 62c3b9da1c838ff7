#include "core/text/BuiltInTexts.h"

#include "core/text/EmbeddedBook.h"

namespace qm {

namespace {

// "l00", ten blanks and a quoted plus sign: the box the greeting asks the reader to click.
constexpr const char* kPlusLine = "l00          \"+\"";

const char* const kGreetingPage[] = {
    "Quillmar greeting page -- built in",
    "l00     Welcome to Torvane!",
    "l00",
    "l00      Select a Book",
    "l00            from the list",
    "l00          by clicking on its title.",
    "l00",
    "l00     If the Book is large",
    "l00         and has several sections,",
    "l00            there will be",
    "l00                a small box",
    "l00              with a",
    kPlusLine,
    "l00             in the box.",
    "l00",
    "l00     Click on the",
    kPlusLine,
    "l00             to see the sections",
    "l00                of the Book.",
    "l00",
    "l00     You can also",
    "l00           use the PageUp",
    "l00                and PageDown keys",
    "l00               to move through the text.",
    "l00",
    "l00     When you select a story,",
    "l00            this Reading Window",
    "l00             will move",
    "l00                    to the front",
    "l00                        of the other windows.",
    "l00",
};

const char* const kByTitlePage[] = {
    "Quillmar listing by title -- built in",
    "l00",
    "l00   This is a list",
    "l00      of books listed",
    "l00        by the title",
    "l00       of the book.",
    "l00",
    "l00",
};

const char* const kByAuthorPage[] = {
    "Quillmar listing by author -- built in",
    "l00",
    "l00   This is a list",
    "l00      of books listed",
    "l00        by the author",
    "l00       of the book.",
    "l00",
    "l00",
};

const char* const kAuthorEntryPage[] = {
    "Quillmar author page -- built in",
    "l00|b>",
    "l04Andersen, Hans Christian, 1805-1875",
    "l00|n>",
    "p000",
};

template <std::size_t N> Lines toLines(const char* const (&lines)[N]) {
    return Lines(std::begin(lines), std::end(lines));
}

} // namespace

BuiltInSource builtInSourceFor(std::string_view textKey) {
    if (textKey == "qdemo") return BuiltInSource::EmbeddedBook;
    if (textKey == "none") return BuiltInSource::Greeting;
    if (textKey == "title") return BuiltInSource::ByTitle;
    if (textKey == "author") return BuiltInSource::ByAuthor;
    return BuiltInSource::None;
}

Lines builtInPageLines(BuiltInSource page) {
    switch (page) {
    case BuiltInSource::Greeting:
        return toLines(kGreetingPage);
    case BuiltInSource::ByTitle:
        return toLines(kByTitlePage);
    case BuiltInSource::ByAuthor:
        return toLines(kByAuthorPage);
    case BuiltInSource::None:
        return toLines(kAuthorEntryPage);
    case BuiltInSource::EmbeddedBook:
        break;
    }
    const auto book = embeddedBookLines();
    return Lines(book.begin(), book.end());
}

void rebuildEmbeddedBook(Lines& list) {
    const auto book = embeddedBookLines();
    // Assigning over the old strings reuses their storage, so a rebuild at every tree click
    // costs a copy of the bytes and no allocation.
    list.assign(book.begin(), book.end());
}

} // namespace qm
