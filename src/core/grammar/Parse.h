#pragma once
// A sentence's grammar as the tagger and the parser give it: for every word its part of
// speech, the word it depends on and the relation that joins them (Universal Dependencies).
// The cascader reads it to break lines at phrase boundaries and to take each line's depth
// from the tree.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qm::grammar {

// Universal part-of-speech tags.
enum class Upos : std::uint8_t {
    Adj,
    Adp,
    Adv,
    Aux,
    Cconj,
    Det,
    Intj,
    Noun,
    Num,
    Part,
    Pron,
    Propn,
    Punct,
    Sconj,
    Sym,
    Verb,
    X
};
inline constexpr std::size_t kUposCount = 17;

// Dependency relations: the universal relations and the subtypes English text uses. A label
// that is not listed is read as its universal part (before the ":"), and as Dep otherwise.
enum class Rel : std::uint8_t {
    Acl,
    AclRelcl,
    Advcl,
    AdvclRelcl,
    Advmod,
    Amod,
    Appos,
    Aux,
    AuxPass,
    Case,
    Cc,
    CcPreconj,
    Ccomp,
    Clf,
    Compound,
    CompoundPrt,
    Conj,
    Cop,
    Csubj,
    CsubjOuter,
    CsubjPass,
    Dep,
    Det,
    DetPredet,
    Discourse,
    Dislocated,
    Expl,
    Fixed,
    Flat,
    FlatForeign,
    Goeswith,
    Iobj,
    List,
    Mark,
    Nmod,
    NmodDesc,
    NmodPoss,
    NmodTmod,
    NmodUnmarked,
    Nsubj,
    NsubjOuter,
    NsubjPass,
    Nummod,
    Obj,
    Obl,
    OblAgent,
    OblTmod,
    OblUnmarked,
    Orphan,
    Parataxis,
    Punct,
    Reparandum,
    Root,
    Vocative,
    Xcomp
};
inline constexpr std::size_t kRelCount = 55;

// One word of a parsed sentence. Offsets are bytes of the sentence text the words were cut
// from; `head` is 0 for the root, otherwise the 1-based number of the word it depends on.
struct Word {
    std::size_t begin = 0;
    std::size_t end = 0;
    Upos upos = Upos::X;
    Rel rel = Rel::Dep;
    std::uint32_t head = 0;
};

using Sentence = std::vector<Word>;

// Names as the treebanks write them ("PROPN", "acl:relcl"), and back. A name that is not
// known gives nullopt-like fallbacks as described above Rel.
std::string_view uposName(Upos u);
std::string_view relName(Rel r);
Upos uposFromName(std::string_view name);
Rel relFromName(std::string_view name);

} // namespace qm::grammar
