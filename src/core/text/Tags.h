#pragma once
// Inline tags and the page-break classes of display lines, shared by the renderer, paging,
// find and save-as-text so that every subsystem reads a line the same way.
#include <string>
#include <string_view>

namespace qm {

// The text of a line without its tags: repeatedly deletes the three characters that begin at
// the first bar until no bar is left (a bar near the end takes what is left with it). An image
// tag therefore leaves "age>" and its file name behind. Linear in the length of the line.
std::string removeTags(std::string_view line);

// A line where a page may end when paging forward: shorter than 3 characters, or starting
// with "p" (paragraph), "r" (reference point) or "s" (section).
bool isForwardPageBreak(std::string_view line);

// A line where a page may start when paging back: shorter than 2 characters, or starting with
// "p" or "s".
bool isBackwardPageBreak(std::string_view line);

} // namespace qm
