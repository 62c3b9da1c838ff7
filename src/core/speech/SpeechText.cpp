#include "core/speech/SpeechText.h"

#include "core/base/Text.h"
#include "core/base/XmlText.h"
#include "core/encoding/Windows1252.h"

#include <charconv>

namespace qm::speech {

namespace {

constexpr unsigned char kEllipsis = 0x85;

bool isLetterOrDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E ||
           c == 0x9F || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

bool isClosing(unsigned char c) {
    // Straight and curly closing quotes, closing brackets and guillemets.
    return c == '"' || c == '\'' || c == ')' || c == ']' || c == 0x92 || c == 0x94 || c == 0xBB;
}

// Bytes that are no text to read (controls, and the bytes the code page leaves undefined) read
// as a blank.
char readable(char c) {
    const auto b = static_cast<unsigned char>(c);
    const bool control = b < 0x20 || b == 0x7F;
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    return control || undefined ? ' ' : c;
}

// Calls text(segment) for the words between tags and colour(digit) for each colour tag, as
// the page renderer reads a line: a bar and the two characters after it are a tag, and an
// image tag ends what is read of the line.
template <class Text, class Colour>
void walkLine(std::string_view s, Text&& text, Colour&& colour) {
    for (auto bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|')) {
        text(s.substr(0, bar));
        const char c = bar + 1 < s.size() ? s[bar + 1] : '\0';
        const char after = bar + 2 < s.size() ? s[bar + 2] : '\0';
        if (c == 'i' && after == 'm') return;
        if (c >= '1' && c <= '9') colour(c);
        s.remove_prefix(std::min(s.size(), bar + 3));
    }
    text(s);
}

bool hasWords(std::string_view words) {
    for (char c : words)
        if (isLetterOrDigit(static_cast<unsigned char>(c))) return true;
    return false;
}

bool endsSentence(std::string_view words) {
    while (!words.empty() &&
           (words.back() == ' ' || isClosing(static_cast<unsigned char>(words.back()))))
        words.remove_suffix(1);
    if (words.empty()) return false;
    const auto last = static_cast<unsigned char>(words.back());
    return last == '.' || last == '!' || last == '?' || last == kEllipsis;
}

// Whether bold is still on at the end of the line: its last "|b>" comes after its last "|n>".
bool boldStaysOn(std::string_view line) {
    const auto bold = line.rfind("|b>");
    if (bold == std::string_view::npos) return false;
    const auto plain = line.rfind("|n>");
    return plain == std::string_view::npos || plain < bold;
}

bool isMarkerLine(std::string_view line) {
    return line.empty() || line.front() == 'p' || line.find("refp") != std::string_view::npos ||
           line.find("s000") != std::string_view::npos;
}

void appendEscaped(std::string& out, std::string_view bytes) {
    std::string page(bytes);
    for (char& c : page)
        c = readable(c);
    out += escapeXml(encoding::windows1252ToUtf8(page), true);
}

// Builds one utterance's SSML, line by line, opening and closing the second voice as the
// speech colour starts and ends.
class SsmlWriter {
public:
    explicit SsmlWriter(const SpeechStyle& style)
        : m_style(style) {
        m_out = "<speak>";
    }

    void line(int index, std::string_view text) {
        m_out += "<mark name=\"" + markName(index) + "\"/>";
        while (!text.empty() && text.front() == ' ')
            text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        walkLine(
            text, [this](std::string_view words) { appendEscaped(m_out, words); },
            [this](char digit) { setSpeech(digit == '6'); });
        m_out += ' ';
    }

    std::string finish(int pauseMs) {
        setSpeech(false);
        if (pauseMs > 0) m_out += "<break time=\"" + std::to_string(pauseMs) + "ms\"/>";
        m_out += "</speak>";
        return std::move(m_out);
    }

private:
    void setSpeech(bool on) {
        if (m_style.speechVoiceGender.empty() || on == m_inSpeech) return;
        m_inSpeech = on;
        m_out += on ? "<voice gender=\"" + m_style.speechVoiceGender + "\">" : "</voice>";
    }

    const SpeechStyle& m_style;
    std::string m_out;
    bool m_inSpeech = false;
};

} // namespace

std::string spokenWords(std::string_view line) {
    std::string words;
    walkLine(line, [&words](std::string_view text) { words += text; }, [](char) {});
    const auto first = words.find_first_not_of(' ');
    words.erase(0, first == std::string::npos ? words.size() : first);
    return words;
}

LineRole lineRole(const LineBuffer& lines, int index) {
    if (index < 0 || index >= lineCount(lines)) return LineRole::Silent;
    const std::string_view line = lines[static_cast<std::size_t>(index)];
    if (isMarkerLine(line) || !hasWords(spokenWords(line))) return LineRole::Silent;
    if (line.front() == ' ') return LineRole::Phrase;
    if (line.find("|b>") != std::string_view::npos) return LineRole::Heading;
    // A heading cut into several lines keeps bold on until its last line; the lines before
    // it are level-00 lines too, so the look back is short.
    for (int i = index - 1; i >= 0 && index - i <= 8; --i) {
        const std::string_view before = lines[static_cast<std::size_t>(i)];
        if (before.empty() || before.front() == ' ' || isMarkerLine(before)) break;
        if (before.find("|n>") != std::string_view::npos && !boldStaysOn(before)) break;
        if (boldStaysOn(before)) return LineRole::Heading;
    }
    return LineRole::Phrase;
}

std::optional<UtteranceText> utteranceFrom(const LineBuffer& lines, int from,
                                           const SpeechStyle& style) {
    const int last = lineCount(lines) - 2; // the end line and the final blank are never read
    int i = std::max(from, 0);
    while (i < last && lineRole(lines, i) == LineRole::Silent)
        ++i;
    if (i >= last) return std::nullopt;

    const LineRole role = lineRole(lines, i);
    UtteranceText u;
    SsmlWriter ssml(style);
    while (i < last && static_cast<int>(u.lines.size()) < kMaxUtteranceLines &&
           lineRole(lines, i) == role) {
        const std::string_view line = lines[static_cast<std::size_t>(i)];
        ssml.line(i, line);
        u.lines.push_back(i);
        ++i;
        if (role == LineRole::Heading ? !boldStaysOn(line) : endsSentence(spokenWords(line)))
            break;
    }
    u.end = i;
    u.ssml = ssml.finish(role == LineRole::Heading ? style.headingPauseMs : 0);
    return u;
}

std::string markName(int line) {
    return "L" + std::to_string(line);
}

std::optional<int> lineOfMark(std::string_view mark) {
    if (mark.size() < 2 || mark.front() != 'L') return std::nullopt;
    int line = 0;
    const auto [end, ec] = std::from_chars(mark.data() + 1, mark.data() + mark.size(), line);
    if (ec != std::errc() || end != mark.data() + mark.size() || line < 0) return std::nullopt;
    return line;
}

} // namespace qm::speech
