#pragma once
// A book's own printed list of contents: the "Contents" heading and the short entries after it.
#include "core/cascade/Document.h"

#include <string>
#include <string_view>

namespace qm::import {

// The form a contents entry and a chapter heading are compared in: lower case, style tags
// gone, every run of punctuation and blanks one blank ("CHAPTER IV.--The Preparation" and
// "Chapter IV: The Preparation" read the same).
std::string entryMatchForm(std::string_view text);

// Whether a contents entry names the chapter whose heading reads `heading`: the same words,
// or the one the first words of the other ("Chapter 1" names "Chapter 1: The Wind").
bool entryNamesHeading(std::string_view entry, std::string_view heading);

// Where every entry of the printed list names a chapter that follows it, the list and its
// heading leave the text (the contents tree shows them). Otherwise each entry is set on lines
// of its own, never cascaded as prose.
void settleContentsList(cascade::Document& doc);

} // namespace qm::import
