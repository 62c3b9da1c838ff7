#pragma once
// The built-in book as the cascader makes it from the four stories' prose.
#include "core/base/Text.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

namespace cascade {
class SentenceParser;
}

// The banner line of the built-in book.
inline constexpr std::string_view kStoredBookBanner =
    "Andersen's Fairy Tales, by Andersen, Hans Christian -- retold for Quillmar";

// The prose files of the stories (in book/src), in book order: their reference points are
// refpt001 to refpt004 in this order.
inline constexpr std::array<std::string_view, 4> kStoredBookSources = {
    "01-little-match-seller.txt", "02-brave-tin-soldier.txt", "03-nightingale.txt",
    "04-snow-queen.txt"};

// Cascades the stories' prose, given in book order, into the built-in book's stored lines,
// each sentence parsed by `parser` (the program's model makes the book as it ships).
// Headings inside a story (the Snow Queen's seven stories) get reference points numbered
// on from refpt005.
Lines makeStoredBook(const std::vector<std::string>& stories, cascade::SentenceParser* parser);

} // namespace qm
