#pragma once
// Sentences of a treebank in the CoNLL-U format: the sentence text and its words with their
// byte offsets in that text, gold tags, heads and relations. Multi-word tokens ("don't" as
// "do" + "n't") give their words the pieces of the token's text; empty nodes are skipped.
#include "core/grammar/Parse.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {
class FileSystem;
}

namespace qm::grammar {

struct TreebankSentence {
    std::string text;
    Sentence words;
    std::vector<std::uint8_t> fine; // each word's fine tag (FineTagger.h)
};

// Reads every sentence; lines it cannot read are skipped (the counts say how many).
std::vector<TreebankSentence> readConllu(std::string_view bytes);

// Reads a whole file through the file system; throws std::runtime_error naming the file when
// it cannot be read.
std::string readFileBytes(const FileSystem& fs, const std::string& path);

} // namespace qm::grammar
