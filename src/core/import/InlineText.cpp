#include "core/import/InlineText.h"

namespace qm::import {
namespace {

const char* tagOf(Style s) {
    switch (s) {
    case Style::Italic:
        return "|i>";
    case Style::Bold:
        return "|b>";
    case Style::Plain:
        break;
    }
    return "|n>";
}

} // namespace

void InlineText::putChar(std::string_view chars) {
    // A style that ends is closed before the blank, one that begins opens after it:
    // "|i>word|n> next", not "|i>word |n>next".
    if (m_wanted != m_written && m_written != Style::Plain) {
        m_text += "|n>";
        m_written = Style::Plain;
    }
    if (!m_text.empty()) {
        if (m_pendingBreaks > 0) {
            m_text.append(static_cast<std::size_t>(m_pendingBreaks), '\n');
            m_lines += static_cast<std::size_t>(m_pendingBreaks);
            if (m_keepSpaces) m_text.append(m_pendingSpaces, ' ');
        } else if (m_pendingSpaces > 0) {
            m_text += ' ';
        }
    } else if (m_keepSpaces) {
        m_text.append(m_pendingSpaces, ' ');
    }
    m_pendingSpaces = 0;
    m_pendingBreaks = 0;
    if (m_wanted != m_written) {
        m_text += tagOf(m_wanted);
        m_written = m_wanted;
    }
    m_text += chars;
}

namespace {

// Bytes that stand for themselves: printable ASCII but the bar, and the bytes of characters
// whose lead byte can begin none of the characters handled apart (C2, E2, EF lead those).
bool plainByte(unsigned char c) {
    if (c < 0x80) return c > 0x20 && c != 0x7F && c != '|';
    return c != 0xC2 && c != 0xE2 && c != 0xEF;
}

} // namespace

void InlineText::addText(std::string_view s) {
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(s[i]);
        // Runs of ordinary characters go in whole.
        std::size_t run = i;
        while (run < n && plainByte(static_cast<unsigned char>(s[run])))
            ++run;
        if (run > i) {
            putChar(s.substr(i, run - i));
            i = run;
            continue;
        }
        if (c < 0x80) {
            ++i;
            if (c <= 0x20 || c == 0x7F) {
                if (m_keepSpaces && c == '\t')
                    m_pendingSpaces += 4;
                else
                    ++m_pendingSpaces;
            } else {
                putChar("\xC2\xA6"); // a bar: a broken bar looks the same and is no tag
            }
            continue;
        }
        std::size_t len = 1;
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        len = std::min(len, n - i);
        const std::string_view ch = s.substr(i, len);
        i += len;
        // Invisible characters (soft hyphen, zero-width space and joiners, a stray
        // byte-order mark) would only hide inside words.
        if (ch == "\xC2\xAD" || ch == "\xE2\x80\x8B" || ch == "\xE2\x80\x8C" ||
            ch == "\xE2\x80\x8D" || ch == "\xEF\xBB\xBF")
            continue;
        // No-break spaces and C1 control characters are blanks here.
        if (c == 0xC2 && len == 2 &&
            (static_cast<unsigned char>(ch[1]) <= 0x9F ||
             static_cast<unsigned char>(ch[1]) == 0xA0)) {
            ++m_pendingSpaces;
            continue;
        }
        putChar(ch);
    }
}

void InlineText::addLineBreak() {
    if (m_text.empty()) {
        m_pendingSpaces = 0;
        return;
    }
    m_pendingSpaces = 0;
    if (m_pendingBreaks < 2) ++m_pendingBreaks;
}

std::string InlineText::take() {
    if (m_written != Style::Plain) m_text += "|n>";
    m_written = Style::Plain;
    m_pendingSpaces = 0;
    m_pendingBreaks = 0;
    m_lines = 0;
    std::string out;
    out.swap(m_text);
    return out;
}

std::string cleanText(std::string_view utf8) {
    InlineText t;
    t.addText(utf8);
    return t.take();
}

} // namespace qm::import
