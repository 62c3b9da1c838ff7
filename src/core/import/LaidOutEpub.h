#pragma once
// EPUBs this reader wrote from a cascaded text (CascadeMarkup.h): recognised by the mark in
// their package document and read back into their stored lines, levels, tags, markers and
// reference points as they were, with the chapters of their navigation document, so that the
// library stores them as they stand instead of cascading their words again.
#include "core/cascade/Document.h"
#include "core/import/ZipArchive.h"

#include <optional>
#include <string>

namespace qm::import {

// The book, when the package document at `packagePath` carries the mark; nothing for any
// other EPUB. Throws UserError when a marked book's files are missing or not well-formed.
std::optional<cascade::Document> readLaidOutEpub(ZipArchive& zip, const std::string& packagePath);

} // namespace qm::import
