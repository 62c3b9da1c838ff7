#pragma once
// Text written into XML: the EPUB's documents and the speech service's markup.
#include <string>
#include <string_view>

namespace qm {

// UTF-8 text as XML character data: &, < and > escaped and control characters (never valid in
// XML) left out; `attribute` escapes both quotes as well.
std::string escapeXml(std::string_view utf8, bool attribute = false);

} // namespace qm
