#include "core/import/Encoding.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qm::import {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;

void appendUtf8(std::string& out, UChar32 c) {
    char buf[U8_MAX_LENGTH];
    std::int32_t n = 0;
    UBool failed = false;
    U8_APPEND(buf, n, U8_MAX_LENGTH, c, failed);
    if (failed) {
        out += "\xEF\xBF\xBD";
        return;
    }
    out.append(buf, static_cast<std::size_t>(n));
}

// The Windows-1252 code page both ways, read from ICU's converter once: byte to code point,
// and code point to byte for the few hundred code points the page can hold.
class CodePage {
public:
    static const CodePage& instance() {
        static const CodePage page;
        return page;
    }
    UChar32 toUnicode(unsigned char b) const { return m_toUnicode[b]; }
    // The page's byte for a code point, or 0 when it has none (NUL itself maps to 0 too,
    // which callers handle as ASCII before asking).
    unsigned char fromUnicode(UChar32 c) const {
        if (c < 0 || static_cast<std::size_t>(c) >= m_fromUnicode.size()) return 0;
        return m_fromUnicode[static_cast<std::size_t>(c)];
    }

private:
    CodePage() {
        for (int b = 0; b < 0x80; ++b)
            m_toUnicode[static_cast<std::size_t>(b)] = b;
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("windows-1252", &status);
        for (int b = 0x80; b < 0x100; ++b) {
            UChar32 c = kReplacement;
            if (U_SUCCESS(status)) {
                UErrorCode st = U_ZERO_ERROR;
                ucnv_reset(conv);
                ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &st);
                const char byte = static_cast<char>(b);
                UChar u[4];
                const std::int32_t n = ucnv_toUChars(conv, u, 4, &byte, 1, &st);
                // Bytes the page leaves undefined (0x81, 0x8D, ...) read as ICU reads them
                // when it defines them at all, else as the replacement character.
                if (U_SUCCESS(st) && n == 1) c = u[0];
            }
            m_toUnicode[static_cast<std::size_t>(b)] = c;
        }
        if (conv) ucnv_close(conv);
        std::size_t top = 0x80;
        for (int b = 0x80; b < 0x100; ++b)
            top = std::max(top,
                           static_cast<std::size_t>(m_toUnicode[static_cast<std::size_t>(b)]) + 1);
        m_fromUnicode.assign(top, 0);
        for (int b = 0x80; b < 0x100; ++b) {
            const UChar32 c = m_toUnicode[static_cast<std::size_t>(b)];
            // Control characters (C1) are not text: they are transliterated like any
            // character the page lacks rather than kept as invisible bytes.
            if (c != kReplacement && c >= 0xA0)
                m_fromUnicode[static_cast<std::size_t>(c)] = static_cast<unsigned char>(b);
        }
    }
    std::array<UChar32, 256> m_toUnicode{};
    std::vector<unsigned char> m_fromUnicode;
};

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

// Appends the page's bytes for a run of characters the page lacks.
void appendTransliterated(std::string& out, const icu::UnicodeString& run, bool onlyMarks) {
    icu::UnicodeString latin = run;
    if (icu::Transliterator* t = threadTransliterator()) t->transliterate(latin);
    const CodePage& page = CodePage::instance();
    bool any = false;
    for (std::int32_t i = 0; i < latin.length();) {
        const UChar32 c = latin.char32At(i);
        i += U16_LENGTH(c);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (const unsigned char b = page.fromUnicode(c)) {
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

bool isValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto n = static_cast<std::int64_t>(bytes.size());
    std::int64_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        UChar32 c;
        std::int32_t j = 0;
        const std::int32_t len = static_cast<std::int32_t>(std::min<std::int64_t>(n - i, 4));
        U8_NEXT(s + i, j, len, c);
        if (c < 0) return false;
        i += j;
    }
    return true;
}

Encoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Encoding::Utf8Bom;
    if (bytes.starts_with("\xFF\xFE")) return Encoding::Utf16Le;
    if (bytes.starts_with("\xFE\xFF")) return Encoding::Utf16Be;
    return isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

std::string decodeToUtf8(std::string_view bytes) {
    const Encoding e = detectEncoding(bytes);
    // Detection has just checked the whole text.
    if (e == Encoding::Utf8) return std::string(bytes);
    return decodeToUtf8(bytes, e);
}

std::string decodeToUtf8(std::string_view bytes, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        if (isValidUtf8(bytes)) return std::string(bytes);
        [[fallthrough]];
    case Encoding::Utf8Bom: {
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
        std::string out;
        out.reserve(bytes.size());
        const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
        const std::size_t n = bytes.size();
        for (std::size_t i = 0; i < n;) {
            if (s[i] < 0x80) {
                out.push_back(static_cast<char>(s[i++]));
                continue;
            }
            UChar32 c;
            std::int32_t j = 0;
            const auto len = static_cast<std::int32_t>(std::min<std::size_t>(n - i, 4));
            U8_NEXT(s + i, j, len, c);
            appendUtf8(out, c < 0 ? kReplacement : c);
            i += static_cast<std::size_t>(j);
        }
        return out;
    }
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) bytes.remove_prefix(2);
        const bool little = encoding == Encoding::Utf16Le;
        const std::size_t units = bytes.size() / 2;
        std::string out;
        out.reserve(units + units / 2);
        const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
        auto unit = [&](std::size_t k) -> UChar {
            const std::uint8_t a = s[2 * k], b = s[2 * k + 1];
            return static_cast<UChar>(little ? (b << 8 | a) : (a << 8 | b));
        };
        for (std::size_t k = 0; k < units;) {
            const UChar u = unit(k++);
            UChar32 c = u;
            if (U16_IS_LEAD(u) && k < units && U16_IS_TRAIL(unit(k))) {
                c = U16_GET_SUPPLEMENTARY(u, unit(k));
                ++k;
            } else if (U16_IS_SURROGATE(u)) {
                c = kReplacement;
            }
            appendUtf8(out, c);
        }
        // An odd byte count leaves half a character at the end.
        if (bytes.size() % 2 != 0) appendUtf8(out, kReplacement);
        return out;
    }
    case Encoding::Windows1252:
        return windows1252ToUtf8(bytes);
    }
    return {};
}

std::string windows1252ToUtf8(std::string_view bytes) {
    const CodePage& page = CodePage::instance();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out.push_back(ch);
        else
            appendUtf8(out, page.toUnicode(b));
    }
    return out;
}

std::string utf8ToWindows1252(std::string_view utf8) {
    const CodePage& page = CodePage::instance();
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
        if (const unsigned char b = page.fromUnicode(c)) {
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
            const unsigned char b = composed >= 0 ? page.fromUnicode(composed) : 0;
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

} // namespace qm::import
