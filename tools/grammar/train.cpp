// Trains the English grammar model from the English web treebank:
//   grammar_train <treebank folder> <model file> [--tagger-epochs N] [--parser-epochs N]
//                 [--folds N] [--threads N] [--tagger-prune X] [--parser-prune X] [--seed N]
// The tagger learns from the training part; the parser learns from the training part with
// tags that a jackknifed tagger gave it, so it sees tags as good as it will get in use. The
// figures on the development part are printed at the end. Same options, same bytes.
#include "core/grammar/Conllu.h"
#include "core/grammar/training/Training.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace qm::grammar;

void writeFileSafely(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) throw std::runtime_error("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot rename " + temporary + " to " + path);
}

void report(const char* name, const Scores& s) {
    std::printf("%s: %zu words, UPOS %.2f%%, UAS %.2f%%, LAS %.2f%%\n", name, s.words, s.upos(),
                s.uas(), s.las());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: grammar_train <treebank folder> <model file> [options]\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string modelPath = argv[2];
    TaggerOptions tagging;
    ParserOptions parsing;
    int folds = 10;
    int threads = 2;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--tagger-epochs")
            tagging.epochs = std::atoi(value);
        else if (key == "--parser-epochs")
            parsing.epochs = std::atoi(value);
        else if (key == "--folds")
            folds = std::atoi(value);
        else if (key == "--threads")
            threads = std::atoi(value);
        else if (key == "--tagger-prune")
            tagging.prune = std::strtof(value, nullptr);
        else if (key == "--parser-prune")
            parsing.prune = std::strtof(value, nullptr);
        else if (key == "--seed")
            tagging.seed = parsing.seed = static_cast<std::uint32_t>(std::atoi(value));
        else {
            std::cerr << "unknown option " << key << "\n";
            return 2;
        }
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        auto elapsed = [&] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        const Progress progress = [&](const std::string& line) {
            std::printf("[%6.1fs] %s\n", elapsed(), line.c_str());
            std::fflush(stdout);
        };
        const auto train = readConllu(readFileBytes(folder + "/en_ewt-ud-train.conllu"));
        const auto dev = readConllu(readFileBytes(folder + "/en_ewt-ud-dev.conllu"));
        progress("read " + std::to_string(train.size()) + " training sentences");
        Tagger tagger = trainTagger(train, tagging, progress);
        const auto tags = folds > 1 ? jackknifeTags(train, folds, tagging, threads, progress)
                                    : std::vector<std::vector<Upos>>{};
        std::vector<std::vector<Upos>> trainTags = tags;
        if (folds <= 1) {
            for (const TreebankSentence& s : train) {
                trainTags.emplace_back();
                for (const Word& w : s.words)
                    trainTags.back().push_back(w.upos);
            }
        }
        Parser parser = trainParser(train, trainTags, parsing, progress);
        const Grammar grammar(std::move(tagger), std::move(parser));
        const std::string bytes = grammar.toBytes();
        writeFileSafely(modelPath, bytes);
        std::printf("model: %zu bytes, tagger %zu features, parser %zu features, %zu weights\n",
                    bytes.size(), grammar.tagger().weights().featureCount(),
                    grammar.parser().weights().featureCount(),
                    grammar.parser().weights().entryCount());
        report("dev", evaluate(grammar, dev));
        std::printf("trained in %.1f s\n", elapsed());
    } catch (const std::exception& e) {
        std::cerr << "grammar_train: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
