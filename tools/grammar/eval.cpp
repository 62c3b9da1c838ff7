// Scores a grammar model on a CoNLL-U file with its gold words: part-of-speech accuracy
// (UPOS), and unlabelled and labelled attachment (UAS, LAS) with the predicted tags.
//   grammar_eval <model file> <file.conllu>...
#include "core/grammar/Conllu.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <vector>

namespace {

// The most frequent tagging mistakes (gold -> predicted), and the words behind them.
void printConfusions(const qm::grammar::Grammar& grammar,
                     const std::vector<qm::grammar::TreebankSentence>& sentences) {
    using namespace qm::grammar;
    std::map<std::pair<std::string, std::string>, int> pairs;
    std::map<std::string, int> words;
    Sentence tagged;
    for (const TreebankSentence& s : sentences) {
        tagged = s.words;
        grammar.tagWords(s.text, tagged);
        for (std::size_t i = 0; i < tagged.size(); ++i) {
            if (tagged[i].upos == s.words[i].upos) continue;
            const std::string g(uposName(s.words[i].upos)), p(uposName(tagged[i].upos));
            ++pairs[{g, p}];
            ++words[s.text.substr(tagged[i].begin, tagged[i].end - tagged[i].begin) + " " + g +
                    ">" + p];
        }
    }
    std::vector<std::pair<int, std::string>> sorted;
    for (const auto& [k, n] : pairs)
        sorted.emplace_back(n, k.first + ">" + k.second);
    std::sort(sorted.rbegin(), sorted.rend());
    for (std::size_t i = 0; i < sorted.size() && i < 25; ++i)
        std::printf("%5d %s\n", sorted[i].first, sorted[i].second.c_str());
    sorted.clear();
    for (const auto& [k, n] : words)
        sorted.emplace_back(n, k);
    std::sort(sorted.rbegin(), sorted.rend());
    for (std::size_t i = 0; i < sorted.size() && i < 40; ++i)
        std::printf("%5d %s\n", sorted[i].first, sorted[i].second.c_str());
}

} // namespace

int main(int argc, char** argv) {
    using namespace qm::grammar;
    if (argc < 3) {
        std::fprintf(stderr, "usage: grammar_eval <model file> <file.conllu>...\n");
        return 2;
    }
    try {
        const auto grammar = Grammar::load(argv[1]);
        const bool verbose = std::getenv("QM_GRAMMAR_VERBOSE") != nullptr;
        for (int i = 2; i < argc; ++i) {
            const auto sentences = readConllu(readFileBytes(argv[i]));
            const Scores s = evaluate(*grammar, sentences);
            std::printf("%s: %zu words, UPOS %.2f%%, UAS %.2f%%, LAS %.2f%%\n", argv[i], s.words,
                        s.upos(), s.uas(), s.las());
            if (verbose) printConfusions(*grammar, sentences);
            const TokenScores t = evaluateTokenizer(sentences, verbose ? stdout : nullptr);
            std::printf("%s: tokenizer %zu gold words, precision %.2f%%, recall %.2f%%, "
                        "%.2f%% of sentences cut exactly\n",
                        argv[i], t.goldWords, t.precision(), t.recall(), t.exactShare());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "grammar_eval: %s\n", e.what());
        return 1;
    }
    return 0;
}
