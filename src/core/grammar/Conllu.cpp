#include "core/grammar/Conllu.h"

#include "core/grammar/FineTagger.h"
#include "core/port/FileSystem.h"

#include <array>
#include <charconv>
#include <stdexcept>

namespace qm::grammar {
namespace {

struct Row {
    std::array<std::string_view, 10> cols;
};

bool splitRow(std::string_view line, Row& row) {
    std::size_t start = 0;
    for (std::size_t c = 0; c < 10; ++c) {
        const std::size_t tab = c < 9 ? line.find('\t', start) : line.size();
        if (tab == std::string_view::npos) return false;
        row.cols[c] = line.substr(start, tab - start);
        start = tab + 1;
    }
    return true;
}

unsigned toNumber(std::string_view s) {
    unsigned v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : 0;
}

struct Token {
    std::string_view form;
    bool spaceAfter = true;
    std::size_t firstWord = 0; // words [firstWord, lastWord] belong to the token
    std::size_t lastWord = 0;
};

struct Pending {
    std::string text;
    std::vector<Token> tokens;
    std::vector<std::string_view> forms;
    Sentence words;
    std::vector<std::uint8_t> fine;
    std::size_t mwtEnd = 0; // last word number of the open multi-word token
};

bool lowerEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void finish(Pending& p, std::vector<TreebankSentence>& out) {
    if (p.words.empty()) {
        p = Pending{};
        return;
    }
    // The text as given, or rebuilt from the tokens when it is missing or does not match.
    std::string text = p.text;
    std::vector<std::size_t> starts(p.tokens.size());
    bool matches = !text.empty();
    std::size_t pos = 0;
    for (std::size_t t = 0; t < p.tokens.size() && matches; ++t) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        if (text.compare(pos, p.tokens[t].form.size(), p.tokens[t].form) != 0) matches = false;
        starts[t] = pos;
        pos += p.tokens[t].form.size();
    }
    if (!matches) {
        text.clear();
        for (std::size_t t = 0; t < p.tokens.size(); ++t) {
            starts[t] = text.size();
            text.append(p.tokens[t].form);
            if (p.tokens[t].spaceAfter) text.push_back(' ');
        }
    }
    for (std::size_t t = 0; t < p.tokens.size(); ++t) {
        Token tok = p.tokens[t];
        if (tok.firstWord >= p.words.size()) continue;
        if (tok.lastWord >= p.words.size()) tok.lastWord = p.words.size() - 1;
        const std::size_t b = starts[t];
        const std::size_t e = b + tok.form.size();
        std::string joined;
        for (std::size_t w = tok.firstWord; w <= tok.lastWord; ++w)
            joined.append(p.forms[w]);
        std::size_t at = b;
        const bool pieces = lowerEqual(joined, tok.form);
        for (std::size_t w = tok.firstWord; w <= tok.lastWord; ++w) {
            Word& word = p.words[w];
            if (pieces) {
                word.begin = at;
                at += p.forms[w].size();
                word.end = at;
            } else {
                word.begin = w == tok.firstWord ? b : e;
                word.end = e;
            }
        }
    }
    out.push_back(TreebankSentence{std::move(text), std::move(p.words), std::move(p.fine)});
    p = Pending{};
}

} // namespace

std::vector<TreebankSentence> readConllu(std::string_view bytes) {
    std::vector<TreebankSentence> out;
    Pending p;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) {
            finish(p, out);
            if (end == bytes.size()) break;
            continue;
        }
        if (line[0] == '#') {
            constexpr std::string_view kText = "# text = ";
            if (line.substr(0, kText.size()) == kText) p.text = line.substr(kText.size());
            continue;
        }
        Row row;
        if (!splitRow(line, row)) continue;
        const std::string_view id = row.cols[0];
        const bool spaceAfter = row.cols[9].find("SpaceAfter=No") == std::string_view::npos;
        if (id.find('.') != std::string_view::npos) continue;
        if (const std::size_t dash = id.find('-'); dash != std::string_view::npos) {
            const unsigned first = toNumber(id.substr(0, dash));
            const unsigned last = toNumber(id.substr(dash + 1));
            if (first != p.words.size() + 1 || last < first) continue;
            p.tokens.push_back(Token{row.cols[1], spaceAfter, first - 1, last - 1});
            p.mwtEnd = last;
            continue;
        }
        if (toNumber(id) != p.words.size() + 1) continue;
        Word w;
        w.upos = uposFromName(row.cols[3]);
        w.head = toNumber(row.cols[6]);
        w.rel = relFromName(row.cols[7]);
        p.words.push_back(w);
        p.fine.push_back(fineFromName(row.cols[4]));
        p.forms.push_back(row.cols[1]);
        if (p.words.size() > p.mwtEnd)
            p.tokens.push_back(
                Token{row.cols[1], spaceAfter, p.words.size() - 1, p.words.size() - 1});
    }
    finish(p, out);
    // Heads that point outside their sentence are read as the root.
    for (TreebankSentence& s : out)
        for (Word& w : s.words)
            if (w.head > s.words.size()) w.head = 0;
    return out;
}

std::string readFileBytes(const FileSystem& fs, const std::string& path) {
    std::optional<std::string> bytes = fs.readFile(path);
    if (!bytes) throw std::runtime_error("cannot open " + path);
    return std::move(*bytes);
}

} // namespace qm::grammar
