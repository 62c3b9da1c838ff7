#include "core/grammar/Lexeme.h"

#include <cstddef>
#include <string>

namespace qm::grammar {
namespace {

constexpr std::size_t kMaxNormal = 48;

std::uint64_t hashBytes(const char* p, std::size_t n, std::uint64_t seed) {
    std::uint64_t h = seed ^ (0xcbf29ce484222325ULL + n);
    for (std::size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 0x100000001b3ULL;
    }
    return mix64(h);
}

// Length of the UTF-8 sequence that starts at p[i] when it is a curly quote or a dash, and
// the ASCII it stands for; 0 otherwise.
std::size_t punctuationSubstitute(std::string_view s, std::size_t i, char& out) {
    if (i + 2 >= s.size() || static_cast<unsigned char>(s[i]) != 0xE2 ||
        static_cast<unsigned char>(s[i + 1]) != 0x80)
        return 0;
    switch (static_cast<unsigned char>(s[i + 2])) {
    case 0x98:
    case 0x99:
        out = '\'';
        return 3;
    case 0x9C:
    case 0x9D:
        out = '"';
        return 3;
    case 0x93:
    case 0x94:
        out = '-';
        return 3;
    default:
        return 0;
    }
}

char shapeClass(char c) {
    if (c >= 'A' && c <= 'Z') return 'X';
    if (c >= 'a' && c <= 'z') return 'x';
    if (c >= '0' && c <= '9') return 'd';
    if (static_cast<unsigned char>(c) >= 0x80) return 'u';
    return c;
}

// An ending with at least two letters before it.
bool endsWith(std::string_view s, std::string_view end) {
    return s.size() > end.size() + 1 && s.ends_with(end);
}

} // namespace

std::uint8_t formClass(std::string_view w) {
    struct Closed {
        std::string_view word;
        Form form;
    };
    static constexpr Closed kClosed[] = {
        {"who", kFormWh},          {"whom", kFormWh},        {"whose", kFormWh},
        {"which", kFormWh},        {"what", kFormWh},        {"where", kFormWh},
        {"when", kFormWh},         {"why", kFormWh},         {"how", kFormWh},
        {"whatever", kFormWh},     {"whoever", kFormWh},     {"my", kFormPossessive},
        {"your", kFormPossessive}, {"his", kFormPossessive}, {"her", kFormPossessive},
        {"its", kFormPossessive},  {"our", kFormPossessive}, {"their", kFormPossessive},
        {"will", kFormModal},      {"would", kFormModal},    {"can", kFormModal},
        {"could", kFormModal},     {"shall", kFormModal},    {"should", kFormModal},
        {"may", kFormModal},       {"might", kFormModal},    {"must", kFormModal},
        {"'ll", kFormModal},       {"'d", kFormModal},       {"wo", kFormModal},
        {"ca", kFormModal},        {"'s", kFormGenitive},    {"'", kFormGenitive},
        {"be", kFormBe},           {"am", kFormBe},          {"is", kFormBe},
        {"are", kFormBe},          {"was", kFormBe},         {"were", kFormBe},
        {"been", kFormBe},         {"being", kFormBe},       {"'m", kFormBe},
        {"'re", kFormBe},          {"have", kFormHave},      {"has", kFormHave},
        {"had", kFormHave},        {"having", kFormHave},    {"'ve", kFormHave},
        {"do", kFormDo},           {"does", kFormDo},        {"did", kFormDo},
        {"not", kFormNegation},    {"n't", kFormNegation},   {"never", kFormNegation},
        {"that", kFormThat},       {"to", kFormTo},
    };
    // Every listed word is 2 to 8 bytes long but "'": a longer word is not read against them.
    if (w.size() <= 8 && !w.empty() && (w[0] == '\'' || (w[0] >= 'a' && w[0] <= 'y')))
        for (const Closed& c : kClosed)
            if (w == c.word) return c.form;
    if (endsWith(w, "ing")) return kFormIng;
    if (endsWith(w, "ed")) return kFormEd;
    if (endsWith(w, "en")) return kFormEn;
    if (endsWith(w, "est")) return kFormEst;
    if (endsWith(w, "er")) return kFormEr;
    if (endsWith(w, "ly")) return kFormLy;
    if (endsWith(w, "s") && !w.ends_with("ss") && !w.ends_with("us") && !w.ends_with("is"))
        return kFormS;
    return kFormOther;
}

Lexeme makeLexeme(std::string_view form) {
    char normal[kMaxNormal];
    char shape[kMaxNormal];
    std::size_t n = 0;
    std::size_t shapeLen = 0;
    std::size_t run = 0;
    std::uint64_t overflow = 0;
    for (std::size_t i = 0; i < form.size();) {
        char c = form[i];
        std::size_t step = 1;
        char sub = 0;
        if (const std::size_t k = punctuationSubstitute(form, i, sub); k != 0) {
            c = sub;
            step = k;
        }
        const char cls = shapeClass(c);
        if (shapeLen > 0 && shape[shapeLen - 1] == cls) {
            ++run;
        } else {
            run = 1;
        }
        if (run <= 3 && shapeLen < kMaxNormal) shape[shapeLen++] = cls;
        char lower = c;
        if (c >= 'A' && c <= 'Z') lower = static_cast<char>(c - 'A' + 'a');
        if (c >= '0' && c <= '9') lower = '9';
        if (n < kMaxNormal) {
            normal[n++] = lower;
        } else {
            overflow = overflow * 31 + static_cast<unsigned char>(lower);
        }
        i += step;
    }
    Lexeme lex;
    lex.form = formClass(std::string_view(normal, n));
    if (!form.empty() && form[0] >= 'A' && form[0] <= 'Z') lex.form += kFormCapital;
    lex.word = hashBytes(normal, n, 0x1001) ^ overflow;
    lex.shape = hashBytes(shape, shapeLen, 0x2002);
    for (std::size_t k = 0; k < 3; ++k) {
        const std::size_t len = k + 1 < n ? k + 1 : n;
        lex.prefix[k] = hashBytes(normal, len, 0x3003 + k);
    }
    // Suffixes come from the end of the (possibly cut) normal form; words that long are rare.
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t len = k + 1 < n ? k + 1 : n;
        lex.suffix[k] = hashBytes(normal + (n - len), len, 0x4004 + k);
    }
    return lex;
}

std::uint32_t wordKey(const Lexeme& lex) {
    return foldKey(lex.word);
}

std::vector<Lexeme> lexemesOf(std::string_view text, const Sentence& words) {
    std::vector<Lexeme> lex;
    lex.reserve(words.size());
    for (const Word& w : words)
        lex.push_back(makeLexeme(text.substr(w.begin, w.end - w.begin)));
    return lex;
}

} // namespace qm::grammar
