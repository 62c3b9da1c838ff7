#pragma once
// Hand-made dependency trees for the cascade tests, written one word at a time as
// "form/UPOS/relation/head" (head 0 for the root, else the 1-based word number). A form
// starting with "~" follows the word before it without a blank ("~," or "~n't").
#include "core/grammar/Parse.h"

#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::test {

struct Tree {
    std::string text;
    grammar::Sentence words;
};

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
        const std::string upos = item.substr(c + 1, b - c - 1), rel = item.substr(b + 1, a - b - 1);
        w.upos = grammar::uposFromName(upos);
        w.rel = grammar::relFromName(rel);
        if (grammar::uposName(w.upos) != upos || grammar::relName(w.rel) != rel)
            throw std::invalid_argument("unknown tag or relation in " + item);
        w.head = static_cast<std::uint32_t>(std::stoul(item.substr(a + 1)));
        t.words.push_back(w);
    }
    return t;
}

} // namespace qm::test
