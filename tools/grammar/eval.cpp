// Scores a grammar model on a CoNLL-U file with its gold words: part-of-speech accuracy
// (UPOS), and unlabelled and labelled attachment (UAS, LAS) with the predicted tags.
//   grammar_eval <model file> <file.conllu>... [--sentence "Some text."]...
// With QM_GRAMMAR_VERBOSE set it also prints the commonest tagging mistakes, the parser's
// figures with gold tags, and every sentence the tokenizer cuts differently.
#include "core/grammar/Conllu.h"
#include "core/grammar/training/Training.h"
#include "core/port/FileSystem.h"

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

// One sentence as a table: number, word, tag, head, relation.
void printParse(const qm::grammar::Grammar& grammar, const std::string& text) {
    using namespace qm::grammar;
    Sentence words;
    const bool parsed = grammar.parse(text, words);
    std::printf("# %s%s\n", text.c_str(), parsed ? "" : "  (not parsed)");
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& w = words[i];
        std::printf("%zu\t%.*s\t%.*s\t%u\t%.*s\n", i + 1, static_cast<int>(w.end - w.begin),
                    text.data() + w.begin, static_cast<int>(uposName(w.upos).size()),
                    uposName(w.upos).data(), w.head, static_cast<int>(relName(w.rel).size()),
                    relName(w.rel).data());
    }
}

} // namespace

int main(int argc, char** argv) {
    using namespace qm::grammar;
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: grammar_eval <model file> <file.conllu>... [--sentence TEXT]\n");
        return 2;
    }
    try {
        const std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
        const auto grammar = Grammar::load(*fs, argv[1]);
        const bool verbose = std::getenv("QM_GRAMMAR_VERBOSE") != nullptr;
        for (int i = 2; i < argc; ++i) {
            if (std::string(argv[i]) == "--sentence" && i + 1 < argc) {
                printParse(*grammar, argv[++i]);
                continue;
            }
            const auto sentences = readConllu(readFileBytes(*fs, argv[i]));
            const Scores s = evaluate(*grammar, sentences);
            std::printf("%s: %zu words, UPOS %.2f%%, UAS %.2f%%, LAS %.2f%% (universal relations: "
                        "%.2f%%)\n",
                        argv[i], s.words, s.upos(), s.uas(), s.las(), s.universalLas());
            if (verbose) {
                printConfusions(*grammar, sentences);
                std::size_t words = 0, heads = 0, arcs = 0;
                Sentence given;
                for (const TreebankSentence& sentence : sentences) {
                    given = sentence.words;
                    grammar->parseTagged(sentence.text, given);
                    for (std::size_t w = 0; w < given.size(); ++w) {
                        ++words;
                        heads += given[w].head == sentence.words[w].head;
                        arcs += given[w].head == sentence.words[w].head &&
                                given[w].rel == sentence.words[w].rel;
                    }
                }
                std::printf("with gold tags: UAS %.2f%%, LAS %.2f%%\n", 100.0 * heads / words,
                            100.0 * arcs / words);
            }
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
