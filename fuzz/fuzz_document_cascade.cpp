// The document path of the cascader over any bytes: each line a block whose first byte picks
// its kind, headings listed as chapters. Style tags are never lost or made up, every stored
// line's tags are whole, and each chapter gets its reference point in order.
#include "FuzzSession.h"
#include "core/cascade/DocumentCascade.h"
#include "core/cascade/StyleTags.h"
#include "core/testing/ShippedParser.h"

#include <cstdio>

namespace {

std::size_t styleTagsIn(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 2 < s.size(); ++i) {
        if (s[i] == '|' && s[i + 2] == '>' &&
            (s[i + 1] == 'i' || s[i + 1] == 'b' || s[i + 1] == 'n'))
            ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qm::cascade::BlockKind;
    const std::string bytes = qmfuzz::bytesOf(data, size);
    qm::cascade::Document doc;
    std::size_t expectedTags = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string_view line = std::string_view(bytes).substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        const auto kind = static_cast<BlockKind>(static_cast<unsigned char>(line[0]) % 6);
        std::string text(line.substr(1));
        if (kind == BlockKind::Verbatim) {
            for (char& c : text)
                if (c == '~') c = '\n';
        }
        if (kind == BlockKind::Heading) doc.chapters.push_back({text, doc.blocks.size(), 0});
        if (kind == BlockKind::Paragraph || kind == BlockKind::Entry) {
            const qm::cascade::StyledText st = qm::cascade::splitStyleTags(text);
            if (!st.plain.empty()) expectedTags += st.tags.size();
        }
        doc.blocks.push_back({kind, 1, std::move(text)});
    }
    const auto book = qm::cascade::cascadeDocument(doc, qm::shippedParser());
    if (!book || book->lines.size() < 2 || book->lines.back() != "END") __builtin_trap();
    std::size_t foundTags = 0;
    for (std::size_t i = 1; i + 1 < book->lines.size(); ++i) {
        const std::string& l = book->lines[i];
        if (l.rfind("l00|refpt", 0) == 0) continue;
        for (std::size_t k = 0; k < l.size(); ++k) {
            if (static_cast<unsigned char>(l[k]) < 0x20) __builtin_trap();
            if (l[k] == '|' && (k + 2 >= l.size() || l[k + 2] != '>')) __builtin_trap();
        }
        foundTags += styleTagsIn(l);
    }
    // Headings lose their tags (they are bold as a whole); verbatim lines keep theirs; a span
    // left open is closed once. So paragraphs' and entries' tags can only be matched as a
    // lower bound.
    if (foundTags < expectedTags) __builtin_trap();
    for (std::size_t c = 0; c < doc.chapters.size() && c < 999; ++c) {
        char want[16];
        std::snprintf(want, sizeof want, "refpt%03zu", c + 1);
        if (book->chapterPoints[c] != want) __builtin_trap();
    }
    return 0;
}
