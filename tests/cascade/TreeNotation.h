#pragma once
// Hand-made dependency trees for the cascade tests, written one word at a time as
// "form/UPOS/relation/head" (head 0 for the root, else the 1-based word number). A form
// starting with "~" follows the word before it without a blank ("~," or "~n't").
#include "core/grammar/Parse.h"

#include <array>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::test {

struct Tree {
    std::string text;
    grammar::Sentence words;
};

inline grammar::Upos uposNamed(std::string_view name) {
    static constexpr std::array<std::string_view, grammar::kUposCount> kNames = {
        "ADJ",  "ADP",  "ADV",   "AUX",   "CCONJ", "DET", "INTJ", "NOUN", "NUM",
        "PART", "PRON", "PROPN", "PUNCT", "SCONJ", "SYM", "VERB", "X"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) return static_cast<grammar::Upos>(i);
    }
    throw std::invalid_argument("no part of speech " + std::string(name));
}

inline grammar::Rel relNamed(std::string_view name) {
    static constexpr std::array<std::string_view, grammar::kRelCount> kNames = {
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
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) return static_cast<grammar::Rel>(i);
    }
    throw std::invalid_argument("no relation " + std::string(name));
}

inline Tree tree(std::string_view notation) {
    Tree t;
    std::istringstream in{std::string(notation)};
    for (std::string item; in >> item;) {
        const std::size_t a = item.rfind('/');
        const std::size_t b = item.rfind('/', a - 1);
        const std::size_t c = item.rfind('/', b - 1);
        if (a == std::string::npos || b == std::string::npos || c == std::string::npos || c == 0)
            throw std::invalid_argument("bad word " + item);
        std::string form = item.substr(0, c);
        const bool glued = form.size() > 1 && form[0] == '~';
        if (glued) form.erase(0, 1);
        if (!t.text.empty() && !glued) t.text += ' ';
        grammar::Word w;
        w.begin = t.text.size();
        t.text += form;
        w.end = t.text.size();
        w.upos = uposNamed(item.substr(c + 1, b - c - 1));
        w.rel = relNamed(item.substr(b + 1, a - b - 1));
        w.head = static_cast<std::uint32_t>(std::stoul(item.substr(a + 1)));
        t.words.push_back(w);
    }
    return t;
}

} // namespace qm::test
