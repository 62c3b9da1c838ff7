// UTF-8 text to the page's form, transliterating what the code page lacks.
#include "core/encoding/GapText.h"
#include "core/encoding/Windows1252.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace qm::encoding {
namespace {

// "Any-Latin; Latin-ASCII" is slow to build (tens of milliseconds), so one is built once and
// each thread uses its own clone: a transliterator's state is not shared between threads.
icu::Transliterator* threadTransliterator() {
    static const std::unique_ptr<icu::Transliterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) t.reset();
        return t;
    }();
    thread_local const std::unique_ptr<icu::Transliterator> mine(prototype ? prototype->clone()
                                                                           : nullptr);
    return mine.get();
}

bool isMark(UChar32 c) {
    return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// The page's byte for a character, or 0 when it has none: the C1 controls are not text, so
// they are transliterated like any character the page lacks rather than kept as invisible
// bytes (NUL, like all ASCII, is written before this is asked).
unsigned char pageByteOf(UChar32 c) {
    if (c < 0xA0) return 0;
    const int b = windows1252ByteOf(static_cast<char32_t>(c));
    return b < 0 ? 0 : static_cast<unsigned char>(b);
}

// Appends the page's bytes for a run of characters the page lacks.
void appendTransliterated(std::string& out, const icu::UnicodeString& run, bool onlyMarks) {
    GapText text(run);
    if (icu::Transliterator* t = threadTransliterator()) t->transliterate(text);
    const icu::UnicodeString latin = text.tail(0);
    bool any = false;
    for (std::int32_t i = 0; i < latin.length();) {
        const UChar32 c = latin.char32At(i);
        i += U16_LENGTH(c);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (const unsigned char b = pageByteOf(c)) {
            out.push_back(static_cast<char>(b));
        } else if (!isMark(c)) {
            out.push_back('?');
        }
        any = true;
    }
    // A character with no Latin form at all is shown as "?", never lost. Lone accents on
    // a letter already written are the only characters that may vanish.
    if (!any && !onlyMarks) out.push_back('?');
}

} // namespace

std::string utf8ToWindows1252(std::string_view utf8) {
    const icu::Normalizer2* nfc = nullptr;
    std::string out;
    out.reserve(utf8.size());
    const auto* s = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const std::size_t n = utf8.size();
    // The last character written as one byte, so that a combining accent after it can be
    // composed with it ("e" + U+0301 is "é", which the page holds).
    UChar32 last = -1;
    icu::UnicodeString run;
    bool runOnlyMarks = true;
    auto flushRun = [&] {
        if (run.isEmpty()) return;
        appendTransliterated(out, run, runOnlyMarks);
        run.remove();
        runOnlyMarks = true;
        last = -1;
    };
    for (std::size_t i = 0; i < n;) {
        if (s[i] < 0x80) {
            flushRun();
            last = s[i];
            out.push_back(static_cast<char>(s[i++]));
            continue;
        }
        UChar32 c;
        std::int32_t j = 0;
        const auto len = static_cast<std::int32_t>(std::min<std::size_t>(n - i, 4));
        U8_NEXT(s + i, j, len, c);
        i += static_cast<std::size_t>(j);
        if (c < 0) {
            flushRun();
            out.push_back('?');
            continue;
        }
        if (const unsigned char b = pageByteOf(c)) {
            flushRun();
            last = c;
            out.push_back(static_cast<char>(b));
            continue;
        }
        if (last >= 0 && run.isEmpty() && u_getCombiningClass(c) != 0) {
            if (!nfc) {
                UErrorCode status = U_ZERO_ERROR;
                nfc = icu::Normalizer2::getNFCInstance(status);
                if (U_FAILURE(status)) nfc = nullptr;
            }
            const UChar32 composed = nfc ? nfc->composePair(last, c) : U_SENTINEL;
            const unsigned char b = composed >= 0 ? pageByteOf(composed) : 0;
            if (b != 0) {
                out.back() = static_cast<char>(b);
                last = composed;
                continue;
            }
        }
        run.append(c);
        if (!isMark(c)) runOnlyMarks = false;
    }
    flushRun();
    return out;
}

} // namespace qm::encoding
