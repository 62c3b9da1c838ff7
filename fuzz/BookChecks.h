#pragma once
// What every Document the book readers give must hold, whatever the bytes: chapters point at
// blocks, text is UTF-8 whose only bars are the style tags, and its page form converts.
#include "core/base/Error.h"
#include "core/cascade/Document.h"
#include "core/encoding/Utf8.h"
#include "core/encoding/Windows1252.h"
#include "core/import/BookReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qmfuzz {

inline void checkText(std::string_view text) {
    if (!qm::encoding::isValidUtf8(text)) __builtin_trap();
    for (std::size_t p = text.find('|'); p != std::string_view::npos; p = text.find('|', p + 1)) {
        const std::string_view tag = text.substr(p, 3);
        if (tag != "|i>" && tag != "|b>" && tag != "|n>") __builtin_trap();
    }
    const std::string page = qm::encoding::utf8ToWindows1252(text);
    if (page.size() > 4 * text.size() + 16) __builtin_trap();
}

// Reads the bytes as the named kind of file and checks what comes out.
inline void readAndCheck(const char* fileName, const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    qm::cascade::Document doc;
    try {
        doc = qm::import::readBook(fileName, bytes);
    } catch (const qm::UserError&) {
        return;
    }
    checkText(doc.title);
    checkText(doc.author);
    for (const qm::cascade::BlockView b : doc.blocks)
        checkText(b.text);
    for (const qm::cascade::Chapter& c : doc.chapters) {
        if (c.block >= doc.blocks.size() || c.depth < 0) __builtin_trap();
        checkText(c.title);
    }
}

} // namespace qmfuzz
