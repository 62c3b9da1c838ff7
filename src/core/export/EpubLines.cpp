#include "core/export/EpubLines.h"

#include "core/encoding/Windows1252.h"
#include "core/import/CascadeMarkup.h"
#include "core/text/Tags.h"
#include "core/view/ColourSchemes.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace qm::exporting {

namespace {

constexpr double kEmPerLevel = 0.25;
constexpr double kMostIndentEm = 10.0;

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool hasControl(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool isBlank(std::string_view s) {
    return s.find_first_not_of(' ') == std::string_view::npos;
}

std::string levelClass(int level) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "l%02d", level);
    return buf;
}

std::string hexColour(Color c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

// A phrase's words and tags: text, a three-character tag, or a reference-point tag.
struct Token {
    enum Kind { Text, Tag, Point } kind = Text;
    std::string_view text; // the text, or the reference point's name
    char tag = 0;
};

// False when the phrase holds a bar that is no tag the markup can carry.
bool tokenize(std::string_view rest, std::vector<Token>& tokens) {
    std::size_t at = 0;
    while (at < rest.size()) {
        const std::size_t bar = rest.find('|', at);
        if (bar != at) tokens.push_back({Token::Text, rest.substr(at, bar - at), 0});
        if (bar == std::string_view::npos) break;
        if (rest.compare(bar, 6, "|refpt") == 0) {
            const std::size_t close = rest.find('>', bar);
            if (close == std::string_view::npos || close == bar + 6) return false;
            const std::string_view name = rest.substr(bar + 1, close - bar - 1);
            if (!std::all_of(name.begin() + 5, name.end(),
                             [](char c) { return c >= '0' && c <= '9'; }))
                return false;
            tokens.push_back({Token::Point, name, 0});
            at = close + 1;
        } else if (bar + 2 < rest.size() && rest[bar + 2] == '>' && isAlnum(rest[bar + 1])) {
            tokens.push_back({Token::Tag, {}, rest[bar + 1]});
            at = bar + 3;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::string xhtmlText(std::string_view singleByte, bool attribute) {
    return escapeXml(encoding::windows1252ToUtf8(singleByte), attribute);
}

int storedLevel(std::string_view stored) {
    if (stored.size() < 3 || stored[0] != 'l' || stored[1] < '0' || stored[1] > '9' ||
        stored[2] < '0' || stored[2] > '9')
        return -1;
    return (stored[1] - '0') * 10 + (stored[2] - '0');
}

void LineMarkup::beginFile(std::string& out) {
    m_ids.clear();
    out += "<div class=\"s" + std::to_string(m_shade) + "\">\n";
}

void LineMarkup::endFile(std::string& out) {
    out += "</div>\n";
}

void LineMarkup::flipShade(std::string& out) {
    m_shade = 1 - m_shade;
    m_style.colour = 4;
    out += "</div>\n<div class=\"s" + std::to_string(m_shade) + "\">\n";
}

void LineMarkup::applyTag(char c) {
    if (c >= '1' && c <= '9') {
        m_style.colour = c - '0';
    } else if (c == 'f') {
        m_style.fixed = true;
    } else if (c == 'a' || c == 'b' || c == 'i' || c == 'u') {
        m_style.fixed = false;
        m_style.bold = m_style.bold || c == 'b';
        m_style.italic = m_style.italic || c == 'i';
        m_style.underline = m_style.underline || c == 'u';
    } else if (c == 'n') {
        m_style = Style{m_style.colour};
    }
}

std::string LineMarkup::styleClasses() const {
    std::string classes;
    auto add = [&](const std::string& c) { classes += (classes.empty() ? "" : " ") + c; };
    if (m_style.colour != 4) add("c" + std::to_string(m_style.colour));
    if (m_style.bold) add("b");
    if (m_style.italic) add("i");
    if (m_style.underline) add("u");
    if (m_style.fixed) add("f");
    return classes;
}

void LineMarkup::add(std::string_view stored, std::string& out) {
    const bool marker = !stored.empty() && stored.front() == 'p';
    const bool reference = stored.find("refp") != std::string_view::npos;
    if (marker || reference) flipShade(out);
    if (marker || !addPhrase(stored, out)) addVerbatim(stored, out);
    m_afterReference = reference;
}

bool LineMarkup::addPhrase(std::string_view stored, std::string& out) {
    const int level = storedLevel(stored);
    if (level < 0 || hasControl(stored) || stored.find("s000") != std::string_view::npos)
        return false;
    const std::string_view rest = stored.substr(3);
    std::vector<Token> tokens;
    if (!tokenize(rest, tokens)) return false;
    // A reference point stands alone at the start of its line, once in its file.
    std::size_t points = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Point) continue;
        if (i != 0 || ++points > 1 || m_ids.count(std::string(tokens[i].text))) return false;
    }
    if ((stored.find("refp") != std::string_view::npos) != (points == 1)) return false;

    const bool heading = m_afterReference && level == 0 && rest.starts_with("|b>");
    const char* element = heading ? "h2" : "p";
    std::string html = std::string("<") + element + " class=\"" + levelClass(level) + "\">";
    bool open = false;
    auto openSpan = [&](const std::string& classes) {
        if (classes.empty()) return;
        html += "<span class=\"" + classes + "\">";
        open = true;
    };
    auto closeSpan = [&] {
        if (open) html += "</span>";
        open = false;
    };
    bool words = false;
    openSpan(styleClasses());
    for (const Token& t : tokens) {
        if (t.kind == Token::Text) {
            html += xhtmlText(t.text);
            words = words || !isBlank(t.text);
        } else if (t.kind == Token::Tag) {
            closeSpan();
            applyTag(t.tag);
            const std::string style = styleClasses();
            openSpan(std::string("t") + t.tag + (style.empty() ? "" : " " + style));
        } else {
            closeSpan();
            html += "<span class=\"r\" id=\"" + std::string(t.text) + "\"></span>";
            m_ids.emplace(t.text);
            openSpan(styleClasses());
        }
    }
    closeSpan();
    if (!words) html += "<br/>";
    html += std::string("</") + element + ">\n";
    out += html;
    return true;
}

void LineMarkup::addBanner(std::string_view stored, std::string& out) {
    out += "<p class=\"x\" " + std::string(import::markup::kLineAttribute) + "=\"" +
           escapeXml(import::markup::encodeLine(encoding::windows1252ToUtf8(stored)), true) +
           "\">" + xhtmlText(stored) + (isBlank(stored) ? "<br/>" : "") + "</p>\n";
}

void LineMarkup::addVerbatim(std::string_view stored, std::string& out) {
    const int level = storedLevel(stored);
    std::string shown;
    std::string picture;
    if (!stored.empty() && stored.front() == 'p') {
        // a paragraph marker: an empty row
    } else if (const std::size_t point = stored.find("|refp"); point != std::string_view::npos) {
        const std::size_t close = stored.find('>', point);
        if (close != std::string_view::npos) shown = removeTags(stored.substr(close + 1));
    } else if (stored.find("refp") == std::string_view::npos &&
               stored.find("s000") == std::string_view::npos) {
        std::string_view text = level >= 0 ? stored.substr(3) : stored;
        const std::size_t image = text.find("|im");
        if (image != std::string_view::npos) {
            const std::string_view tag = text.substr(image);
            std::string_view name = tag.substr(std::min(tag.size(), tag.find('>') + 1));
            while (!name.empty() && name.back() == ' ')
                name.remove_suffix(1);
            if (tag.find('>') != std::string_view::npos && m_pictures) picture = m_pictures(name);
            text = text.substr(0, image);
        }
        for (std::size_t bar = text.find('|'); bar != std::string_view::npos;
             bar = text.find('|', bar + 1))
            if (bar + 1 < text.size()) applyTag(text[bar + 1]);
        shown = removeTags(text);
    }
    out += "<p class=\"" + (level >= 0 ? levelClass(level) : std::string("x")) + "\" " +
           std::string(import::markup::kLineAttribute) + "=\"" +
           escapeXml(import::markup::encodeLine(encoding::windows1252ToUtf8(stored)), true) +
           "\">" + xhtmlText(shown);
    if (!picture.empty())
        out += "<img src=\"" + escapeXml(picture, true) + "\" alt=\"picture\"/>";
    else if (isBlank(shown))
        out += "<br/>";
    out += "</p>\n";
}

std::string cascadeStyleSheet(const std::set<int>& levels, bool shades) {
    ColourTable table{};
    writeScheme(table, ColourScheme::Light);
    std::string css =
        "p, h2 { margin: 0; padding: 0; text-indent: 0; text-align: left; "
        "white-space: pre-wrap; font-size: 1em; font-weight: normal; hyphens: none; }\n"
        "h2 { font-weight: bold; }\n"
        "div.s0, div.s1 { margin: 0; padding: 0; }\n"
        ".b { font-weight: bold; }\n.i { font-style: italic; }\n"
        ".u { text-decoration: underline; }\n.f { font-family: monospace; }\n";
    for (const int level : levels) {
        char rule[64];
        std::snprintf(rule, sizeof rule, ".%s { margin-left: %.2fem; }\n",
                      levelClass(level).c_str(),
                      std::min(kMostIndentEm, kEmPerLevel * std::min(level, 52)));
        css += rule;
    }
    for (int slot = 1; slot <= 9; ++slot) {
        if (slot == 4) continue;
        css += ".c" + std::to_string(slot) + " { color: " + hexColour(table[0][slot]) + "; }\n";
        if (table[1][slot] != table[0][slot])
            css += ".s1 .c" + std::to_string(slot) + " { color: " + hexColour(table[1][slot]) +
                   "; }\n";
    }
    if (shades)
        for (int shade = 0; shade < 2; ++shade)
            css += ".s" + std::to_string(shade) +
                   " { background-color: " + hexColour(table[shade][1]) + "; }\n";
    return css;
}

} // namespace qm::exporting
