#include "core/import/DistributorFrame.h"

#include "core/base/Text.h"

#include "core/import/InlineText.h"

#include <algorithm>

namespace qm::import {
namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

// "*** START OF THE ..." and its variants ("***START OF", "*** START OF THIS ...").
bool isMarkerLine(std::string_view line, std::string_view word) {
    std::string_view s = trimBlanksAndControlsView(line);
    if (s.size() > 300 || !s.starts_with("***")) return false;
    while (!s.empty() && (s.front() == '*' || s.front() == ' '))
        s.remove_prefix(1);
    return startsWithNoCase(s, word);
}

bool isBlank(std::string_view s) {
    return trimBlanksAndControlsView(s).empty();
}

// The fields of lines [0, count) of `lines` (a vector of views or TextLines).
template <class LineList> HeaderFields headerFieldsOf(const LineList& lines, std::size_t count) {
    HeaderFields fields;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = trimBlanksAndControlsView(lines[i]);
        std::string* field = nullptr;
        std::size_t skip = 0;
        if (fields.title.empty() && startsWithNoCase(line, "Title:")) {
            field = &fields.title;
            skip = 6;
        } else if (fields.author.empty() && startsWithNoCase(line, "Author:")) {
            field = &fields.author;
            skip = 7;
        }
        if (!field) continue;
        std::string value(line.substr(skip));
        // A long title goes on in indented lines.
        while (i + 1 < count && !lines[i + 1].empty() &&
               (lines[i + 1].front() == ' ' || lines[i + 1].front() == '\t') &&
               !isBlank(lines[i + 1])) {
            value += ' ';
            value += trimBlanksAndControlsView(lines[++i]);
        }
        *field = cleanText(value);
    }
    return fields;
}

template <class LineList> Frame frameOf(const LineList& lines) {
    Frame frame;
    frame.end = lines.size();
    std::size_t start = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (isFrameStartLine(lines[i])) {
            start = i;
            break;
        }
    }
    if (start < lines.size()) {
        frame.framed = true;
        frame.header = headerFieldsOf(lines, start);
        frame.begin = start + 1;
    }
    for (std::size_t i = frame.begin; i < lines.size(); ++i) {
        if (isFrameEndLine(lines[i])) {
            frame.end = i;
            frame.framed = true;
            break;
        }
    }
    if (!frame.framed) return frame;
    // The producers' credits open the book's part of the file: one paragraph.
    std::size_t b = frame.begin;
    while (b < frame.end && isBlank(lines[b]))
        ++b;
    if (b < frame.end &&
        (startsWithNoCase(trimBlanksAndControlsView(lines[b]), "Produced by") ||
         startsWithNoCase(trimBlanksAndControlsView(lines[b]), "E-text prepared by") ||
         startsWithNoCase(trimBlanksAndControlsView(lines[b]), "Transcribed from"))) {
        while (b < frame.end && !isBlank(lines[b]))
            ++b;
        frame.begin = b;
    }
    // "End of the Project ... of <title>" closes it: its paragraph goes with the footer.
    std::size_t e = frame.end;
    while (e > frame.begin && isBlank(lines[e - 1]))
        --e;
    std::size_t p = e;
    while (p > frame.begin && !isBlank(lines[p - 1]))
        --p;
    if (p < e) {
        const std::string_view first = trimBlanksAndControlsView(lines[p]);
        if (startsWithNoCase(first, "End of the Project") ||
            startsWithNoCase(first, "End of Project"))
            frame.end = p;
    }
    return frame;
}

} // namespace

std::vector<std::string_view> splitLineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    lines.reserve(text.size() / 48 + 1);
    forEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

bool isFrameStartLine(std::string_view line) {
    return isMarkerLine(line, "START OF");
}

bool isFrameEndLine(std::string_view line) {
    return isMarkerLine(line, "END OF");
}

HeaderFields readHeaderFields(const std::vector<std::string_view>& lines) {
    return headerFieldsOf(lines, lines.size());
}

Frame findFrame(const std::vector<std::string_view>& lines) {
    return frameOf(lines);
}

Frame findFrame(const TextLines& lines) {
    return frameOf(lines);
}

} // namespace qm::import
