#include "core/grammar/Parse.h"

#include <array>

namespace qm::grammar {
namespace {

constexpr std::array<std::string_view, kUposCount> kUposNames = {
    "ADJ",  "ADP",  "ADV",   "AUX",   "CCONJ", "DET", "INTJ", "NOUN", "NUM",
    "PART", "PRON", "PROPN", "PUNCT", "SCONJ", "SYM", "VERB", "X"};

constexpr std::array<std::string_view, kRelCount> kRelNames = {
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

} // namespace

std::string_view uposName(Upos u) {
    const auto i = static_cast<std::size_t>(u);
    return i < kUposCount ? kUposNames[i] : std::string_view("X");
}

std::string_view relName(Rel r) {
    const auto i = static_cast<std::size_t>(r);
    return i < kRelCount ? kRelNames[i] : std::string_view("dep");
}

Upos uposFromName(std::string_view name) {
    for (std::size_t i = 0; i < kUposCount; ++i) {
        if (kUposNames[i] == name) return static_cast<Upos>(i);
    }
    return Upos::X;
}

Rel relFromName(std::string_view name) {
    for (std::size_t i = 0; i < kRelCount; ++i) {
        if (kRelNames[i] == name) return static_cast<Rel>(i);
    }
    const std::size_t colon = name.find(':');
    if (colon != std::string_view::npos) return relFromName(name.substr(0, colon));
    return Rel::Dep;
}

} // namespace qm::grammar
