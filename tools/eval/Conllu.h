#pragma once
// Reading CoNLL-U treebank files: each sentence's raw text and its words with byte offsets
// into that text, part of speech, head and relation. Multi-word token ranges ("3-4") and
// empty nodes ("8.1") are skipped.
#include "core/grammar/Parse.h"

#include <string>
#include <vector>

namespace qm::eval {

struct TreebankSentence {
    std::string text;
    grammar::Sentence words;
};

// The sentences of a CoNLL-U file whose words can all be found, in order, in their text.
// `skipped` counts the others. Throws std::runtime_error when the file cannot be read.
std::vector<TreebankSentence> readConllu(const std::string& path, std::size_t& skipped);

} // namespace qm::eval
