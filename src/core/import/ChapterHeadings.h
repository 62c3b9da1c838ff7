#pragma once
// Recognising chapter headings and title lines in plain text: "CHAPTER I.", "Chapter 1",
// "CHAPTER XII. TITLE", "I. The Period", "LETTER 1", "BOOK THE FIRST", "PART II",
// "STAVE ONE", and lines such as "PREFACE".
#include <optional>
#include <string>
#include <string_view>

namespace qm::import {

enum class HeadingStrength {
    Keyword, // a heading word with its number ("CHAPTER IV") or a section word ("PREFACE")
    Numeral  // a Roman numeral alone or before a title ("I. The Period"): trusted in numbers
};

struct HeadingMatch {
    int level = 2;         // 1 for books, parts and volumes, 2 for chapters
    bool hasTitle = false; // the line names the chapter beyond its number
    HeadingStrength strength = HeadingStrength::Keyword;
    std::string key; // the heading word and number, lower case ("chapter 4"), to compare
};

// The heading a whole (trimmed) line is, if it is one.
std::optional<HeadingMatch> matchChapterHeading(std::string_view line);

// A short line in capitals or in title case, such as follows "STAVE ONE." as its title.
bool looksLikeTitleLine(std::string_view line);

// Lower case, single blanks, no trailing punctuation: for comparing a contents entry with
// the heading it names.
std::string headingComparisonForm(std::string_view line);
// Whether headingComparisonForm(line) == form (a form without trailing '.', ':' or blank),
// found without making the form, so that a line of megabytes costs no copy.
bool hasHeadingComparisonForm(std::string_view line, std::string_view form);

} // namespace qm::import
