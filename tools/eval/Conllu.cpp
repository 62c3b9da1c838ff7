#include "Conllu.h"

#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace qm::eval {

namespace {

using grammar::Rel;
using grammar::Upos;

constexpr std::array<std::string_view, grammar::kUposCount> kUpos = {
    "ADJ",  "ADP",  "ADV",   "AUX",   "CCONJ", "DET", "INTJ", "NOUN", "NUM",
    "PART", "PRON", "PROPN", "PUNCT", "SCONJ", "SYM", "VERB", "X"};

constexpr std::array<std::string_view, grammar::kRelCount> kRels = {
    "acl",       "acl:relcl",   "advcl",         "advcl:relcl",  "advmod",      "amod",
    "appos",     "aux",         "aux:pass",      "case",         "cc",          "cc:preconj",
    "ccomp",     "clf",         "compound",      "compound:prt", "conj",        "cop",
    "csubj",     "csubj:outer", "csubj:pass",    "dep",          "det",         "det:predet",
    "discourse", "dislocated",  "expl",          "fixed",        "flat",        "flat:foreign",
    "goeswith",  "iobj",        "list",          "mark",         "nmod",        "nmod:desc",
    "nmod:poss", "nmod:tmod",   "nmod:unmarked", "nsubj",        "nsubj:outer", "nsubj:pass",
    "nummod",    "obj",         "obl",           "obl:agent",    "obl:tmod",    "obl:unmarked",
    "orphan",    "parataxis",   "punct",         "reparandum",   "root",        "vocative",
    "xcomp"};

Upos uposOf(std::string_view name) {
    for (std::size_t i = 0; i < kUpos.size(); ++i) {
        if (kUpos[i] == name) return static_cast<Upos>(i);
    }
    return Upos::X;
}

Rel relOf(std::string_view name) {
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < kRels.size(); ++i) {
            if (kRels[i] == name) return static_cast<Rel>(i);
        }
        name = name.substr(0, name.find(':'));
    }
    return Rel::Dep;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t from = 0;
    while (true) {
        const std::size_t tab = line.find('\t', from);
        out.push_back(line.substr(from, tab - from));
        if (tab == std::string_view::npos) break;
        from = tab + 1;
    }
    return out;
}

struct Pending {
    std::string text;
    std::vector<std::string> forms;
    grammar::Sentence words;
};

// Finds each form in the text in turn, blanks between them skipped.
bool placeWords(Pending& p) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < p.words.size(); ++i) {
        while (pos < p.text.size() && (p.text[pos] == ' ' || p.text[pos] == '\t'))
            ++pos;
        const std::string& form = p.forms[i];
        if (p.text.compare(pos, form.size(), form) != 0) return false;
        p.words[i].begin = pos;
        p.words[i].end = pos + form.size();
        pos += form.size();
    }
    return !p.words.empty();
}

} // namespace

std::vector<TreebankSentence> readConllu(const std::string& path, std::size_t& skipped) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<TreebankSentence> out;
    Pending p;
    auto finish = [&] {
        if (!p.words.empty() || !p.text.empty()) {
            if (placeWords(p)) {
                out.push_back({std::move(p.text), std::move(p.words)});
            } else {
                ++skipped;
            }
        }
        p = Pending{};
    };
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            finish();
            continue;
        }
        if (line.rfind("# text = ", 0) == 0) {
            p.text = line.substr(9);
            continue;
        }
        if (line[0] == '#') continue;
        const std::vector<std::string_view> f = fields(line);
        if (f.size() < 8 || f[0].find_first_of("-.") != std::string_view::npos) continue;
        grammar::Word w;
        w.upos = uposOf(f[3]);
        w.rel = relOf(f[7]);
        w.head = static_cast<std::uint32_t>(std::stoul(std::string(f[6])));
        p.forms.emplace_back(f[1]);
        p.words.push_back(w);
    }
    finish();
    return out;
}

} // namespace qm::eval
