// Trains the English grammar model from the English web treebank:
//   grammar_train <treebank folder> <model file> [--tagger-epochs N] [--parser-epochs N]
//                 [--folds N] [--threads N] [--tagger-prune X] [--moves-prune X]
//                 [--labels-prune X] [--seed N] [--dictionary-min N] [--lexicon-min N]
//                 [--lexicon-folds N] [--tagger-only 1] [--tags-cache FILE]
//                 [--explore-from N] [--explore-p X] [--moves-margin X] [--labels-margin X]
//                 [--members N] [--tagger-members N]
// The defaults are the settings the committed model was made with.
// The tagger learns from the training part; the parser learns from the training part with
// tags that a jackknifed tagger gave it, so it sees tags as good as it will get in use. The
// figures on the development part are printed at the end. Same options, same bytes.
#include "WriteFile.h"
#include "core/grammar/Conllu.h"
#include "core/grammar/training/Training.h"
#include "core/port/FileSystem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace qm::grammar;
using qm::grammar::tools::writeFileSafely;

// Jackknifed tags, one byte a word, for --tags-cache; empty when absent or not matching.
std::vector<std::vector<Upos>> readTags(const std::string& path,
                                        const std::vector<TreebankSentence>& train) {
    std::string bytes;
    try {
        bytes = readFileBytes(*qm::makeRealFileSystem(), path);
    } catch (const std::exception&) {
        return {};
    }
    std::vector<std::vector<Upos>> tags;
    std::size_t at = 0;
    for (const TreebankSentence& s : train) {
        if (at + s.words.size() > bytes.size()) return {};
        tags.emplace_back();
        for (std::size_t i = 0; i < s.words.size(); ++i) {
            const auto t = static_cast<std::size_t>(static_cast<unsigned char>(bytes[at++]));
            if (t >= kUposCount) return {};
            tags.back().push_back(static_cast<Upos>(t));
        }
    }
    return at == bytes.size() ? tags : std::vector<std::vector<Upos>>{};
}

void writeTags(const std::string& path, const std::vector<std::vector<Upos>>& tags) {
    std::string bytes;
    for (const auto& s : tags)
        for (Upos t : s)
            bytes.push_back(static_cast<char>(t));
    writeFileSafely(path, bytes);
}

void report(const char* name, const Scores& s) {
    std::printf(
        "%s: %zu words, UPOS %.2f%%, UAS %.2f%%, LAS %.2f%% (universal relations: %.2f%%)\n", name,
        s.words, s.upos(), s.uas(), s.las(), s.universalLas());
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
    bool taggerOnly = false; // trains and scores the tagger alone (with an empty parser)
    std::string tagsCache;   // jackknifed tags kept between runs while settings are tried
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
        else if (key == "--moves-prune")
            parsing.movesPrune = std::strtof(value, nullptr);
        else if (key == "--labels-prune")
            parsing.labelsPrune = std::strtof(value, nullptr);
        else if (key == "--explore-from")
            parsing.exploreFrom = std::atoi(value);
        else if (key == "--explore-p")
            parsing.exploreProbability = std::strtof(value, nullptr);
        else if (key == "--moves-margin")
            parsing.movesMargin = std::strtof(value, nullptr);
        else if (key == "--labels-margin")
            parsing.labelsMargin = std::strtof(value, nullptr);
        else if (key == "--tagger-members")
            tagging.members = std::atoi(value);
        else if (key == "--members")
            parsing.members = std::atoi(value);
        else if (key == "--dictionary-min")
            tagging.dictionaryMinCount = std::atoi(value);
        else if (key == "--lexicon-folds")
            tagging.lexiconFolds = std::atoi(value);
        else if (key == "--lexicon-min")
            tagging.lexiconMinCount = std::atoi(value);
        else if (key == "--tagger-only")
            taggerOnly = std::atoi(value) != 0;
        else if (key == "--tags-cache")
            tagsCache = value;
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
        const std::unique_ptr<qm::FileSystem> fs = qm::makeRealFileSystem();
        const auto train = readConllu(readFileBytes(*fs, folder + "/en_ewt-ud-train.conllu"));
        const auto dev = readConllu(readFileBytes(*fs, folder + "/en_ewt-ud-dev.conllu"));
        progress("read " + std::to_string(train.size()) + " training sentences");
        Tagger tagger = trainTagger(train, tagging, progress);
        if (taggerOnly) {
            const Grammar taggerAlone(std::move(tagger), Parser());
            writeFileSafely(modelPath, taggerAlone.toBytes());
            report("dev", evaluate(taggerAlone, dev));
            return 0;
        }
        std::vector<std::vector<Upos>> trainTags;
        if (folds > 1 && !tagsCache.empty()) trainTags = readTags(tagsCache, train);
        if (folds > 1 && trainTags.empty()) {
            trainTags = jackknifeTags(train, folds, tagging, threads, progress);
            if (!tagsCache.empty()) writeTags(tagsCache, trainTags);
        }
        if (folds <= 1) {
            for (const TreebankSentence& s : train) {
                trainTags.emplace_back();
                for (const Word& w : s.words)
                    trainTags.back().push_back(w.upos);
            }
        }
        const FineOptions fining{};
        const auto fineTags = jackknifeFineTags(train, trainTags, folds, fining, threads, progress);
        FineTagger fine = trainFineTagger(train, trainTags, fining);
        Parser parser = trainParser(train, trainTags, fineTags, parsing, progress);
        const Grammar grammar(std::move(tagger), std::move(parser), std::move(fine));
        const std::string bytes = grammar.toBytes();
        writeFileSafely(modelPath, bytes);
        std::printf("model: %zu bytes; features: tagger %zu, moves %zu, relations %zu (%zu "
                    "weights)\n",
                    bytes.size(), grammar.tagger().weights().featureCount(),
                    grammar.parser().moves().featureCount(),
                    grammar.parser().labels().featureCount(),
                    grammar.parser().labels().entryCount());
        report("dev", evaluate(grammar, dev));
        std::printf("trained in %.1f s\n", elapsed());
    } catch (const std::exception& e) {
        std::cerr << "grammar_train: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
