#pragma once
// The texts the reader carries: the embedded book and four short pages (the greeting, the
// introductions of the listings by title and by author, and the author entry page shown for
// every text key without a source of its own). All are stored lines in the plain form, each
// beginning with a banner line that opening drops.
#include "core/base/Text.h"

#include <string_view>

namespace qm {

enum class BuiltInSource { EmbeddedBook, Greeting, ByTitle, ByAuthor, None };

// The source a text key selects, compared exactly and case-sensitively; None for every other
// key (the empty key included), which a text file may fill or the author entry page shows.
BuiltInSource builtInSourceFor(std::string_view textKey);

// The stored lines of a source; None gives the author entry page.
Lines builtInPageLines(BuiltInSource source);

// Refills the embedded book list from the built-in lines.
void rebuildEmbeddedBook(Lines& list);

} // namespace qm
