#pragma once
// Cuts a sentence of English text into words as the English web treebank does: punctuation
// apart from words, clitics apart from their host ("do|n't", "ca|n't", "she|'s", "can|not"),
// hyphens apart except after prefixes ("co-", "non-") and between digits, numbers, dates,
// times, abbreviations, addresses and emoticons whole. Straight and curly quotes and
// apostrophes are both understood. Linear in the text; nothing is ever dropped but blanks.
#include "core/grammar/Parse.h"

#include <string_view>

namespace qm::grammar {

// Replaces out with the words of text (offsets set; tags and heads left at their defaults).
void tokenize(std::string_view text, Sentence& out);

} // namespace qm::grammar
