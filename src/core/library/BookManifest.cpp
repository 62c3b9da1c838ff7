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

// Far more layouts than any book will have, and far from the largest int.
constexpr int kMaxLayoutFolder = 1000000;

// A layout folder number: a whole number from 0 to kMaxLayoutFolder.
std::optional<int> folderNumber(std::string_view value) {
    const std::optional<int> v = parseInteger(value);
    return v && *v >= 0 && *v <= kMaxLayoutFolder ? v : std::nullopt;
}

} // namespace

Lines manifestLines(const BookManifest& m) {
    Lines lines = {"key=" + oneLine(m.key), "source=" + oneLine(m.source),
                   "title=" + oneLine(m.title), "author=" + oneLine(m.author),
                   "layout=" + std::to_string(m.layoutVersion)};
    if (!m.digest.empty()) lines.push_back("sha256=" + oneLine(m.digest));
    if (m.layoutFolder != 0) lines.push_back("files=" + std::to_string(m.layoutFolder));
    if (m.movingFrom) lines.push_back("moving=" + std::to_string(*m.movingFrom));
    return lines;
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
        } else if (name == "sha256") {
            m.digest = std::move(value);
        } else if (name == "files" || name == "moving") {
            const std::optional<int> v = folderNumber(value);
            if (!v) return std::nullopt;
            (name == "files" ? m.layoutFolder : m.movingFrom.emplace()) = *v;
        }
    }
    if (m.key.empty() || !haveLayout) return std::nullopt;
    // A move from the layout that is current would remove that layout once done.
    if (m.movingFrom == m.layoutFolder) m.movingFrom.reset();
    return m;
}

} // namespace qm::library
