#include "core/library/BookManifest.h"

namespace qm::library {

namespace {

// A value on one line: line ends and other control bytes become blanks.
std::string oneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return out;
}

} // namespace

Lines manifestLines(const BookManifest& m) {
    return {"key=" + oneLine(m.key), "source=" + oneLine(m.source), "title=" + oneLine(m.title),
            "author=" + oneLine(m.author), "layout=" + std::to_string(m.layoutVersion)};
}

std::optional<BookManifest> parseManifest(const Lines& lines) {
    BookManifest m;
    bool haveLayout = false;
    for (const std::string& line : lines) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view name = std::string_view(line).substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (name == "key") {
            m.key = std::move(value);
        } else if (name == "source") {
            m.source = std::move(value);
        } else if (name == "title") {
            m.title = std::move(value);
        } else if (name == "author") {
            m.author = std::move(value);
        } else if (name == "layout") {
            const std::optional<int> v = parseInteger(value);
            if (!v) return std::nullopt;
            m.layoutVersion = *v;
            haveLayout = true;
        }
    }
    if (m.key.empty() || !haveLayout) return std::nullopt;
    return m;
}

} // namespace qm::library
