// Scores a grammar model on a CoNLL-U file with its gold words: part-of-speech accuracy
// (UPOS), and unlabelled and labelled attachment (UAS, LAS) with the predicted tags.
//   grammar_eval <model file> <file.conllu>...
#include "core/grammar/Conllu.h"
#include "core/grammar/training/Training.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

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
