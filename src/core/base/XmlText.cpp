#include "core/base/XmlText.h"

namespace qm {

std::string escapeXml(std::string_view utf8, bool attribute) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
        case '\'':
            if (attribute) {
                out += c == '"' ? "&quot;" : "&apos;";
                break;
            }
            out += c;
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20) out += c;
        }
    }
    return out;
}

} // namespace qm
