#pragma once
// The last pass of every reader over its Document.
#include "core/cascade/Document.h"

#include <string>
#include <string_view>

namespace qm::import {

// Scene breaks stand only between prose (none at the start or end, before or after a heading,
// or twice in a row); chapters keep pointing at the same blocks, and any that point past the
// end are dropped.
void tidyBlocks(cascade::Document& doc);

// Text without the style tags "|i>", "|b>" and "|n>" (for chapter titles).
std::string removeStyleTags(std::string_view text);

} // namespace qm::import
