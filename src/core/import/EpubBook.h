#pragma once
// EPUB 2 and 3 books: META-INF/container.xml names the package document; its spine gives the
// chapter files in reading order, read as HTML; its metadata the title and author; the
// EPUB 3 navigation document or the EPUB 2 NCX the chapters. An EPUB this reader wrote from a
// cascaded text is read back as it stands (LaidOutEpub.h).
#include "core/cascade/Document.h"
#include "core/import/ZipArchive.h"

#include <optional>
#include <string>
#include <string_view>

namespace qm::import {

// Throws UserError for archives that are damaged, unsafe, too large when inflated, lack their
// container, package document or spine, name chapter files they do not hold, or whose
// chapters are encrypted (DRM).
cascade::Document readEpubBook(std::string_view bytes, ZipLimits limits = {});

// A link inside the archive resolved against the folder of the file it stands in: the entry
// name with any "#fragment" kept, "%xx" decoded; nothing when it leaves the archive or names
// another place (a scheme such as "http:").
std::optional<std::string> resolveEpubLink(std::string_view fromFile, std::string_view href);

} // namespace qm::import
