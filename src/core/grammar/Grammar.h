#pragma once
// The English grammar the cascader reads: cuts a sentence into words, tags them and parses
// them into a dependency tree. A Grammar is loaded once from its model file and is then safe
// to use from several threads at once (each thread keeps its own scratch space).
#include "core/grammar/FineTagger.h"
#include "core/grammar/Parse.h"
#include "core/grammar/Parser.h"
#include "core/grammar/Tagger.h"

#include <memory>
#include <string>
#include <string_view>

namespace qm {
class FileSystem;
}

namespace qm::grammar {

class Grammar {
public:
    // Sentences with more words are tagged but not parsed; the caller lays them out without
    // a tree.
    static constexpr std::size_t kMaxParsedWords = 200;
    // File name of the model beside the program.
    static constexpr std::string_view kModelFileName = "english.qmg";

    // Reads a model; throws UserError saying what is wrong with a missing, unreadable, damaged
    // or foreign file.
    static std::shared_ptr<const Grammar> fromBytes(std::string_view bytes);
    static std::shared_ptr<const Grammar> load(const FileSystem& fs, const std::string& path);

    Grammar(Tagger tagger, Parser parser, FineTagger fine = FineTagger());
    // The model file's bytes (the same model always gives the same bytes).
    std::string toBytes() const;

    // Cuts, tags and parses one sentence. Returns false when the sentence has no words or
    // more than kMaxParsedWords: then every word has its offsets and tag, head 0 and Dep.
    bool parse(std::string_view text, Sentence& out) const;
    // The same for words already cut (offsets into text set): tags and parses them.
    bool parseWords(std::string_view text, Sentence& words) const;
    // Tags words already cut.
    void tagWords(std::string_view text, Sentence& words) const;
    // Parses words already cut and tagged (their upos is used as it is).
    bool parseTagged(std::string_view text, Sentence& words) const;

    const Tagger& tagger() const { return m_tagger; }
    const Parser& parser() const { return m_parser; }
    const FineTagger& fineTagger() const { return m_fine; }

private:
    Tagger m_tagger;
    Parser m_parser;
    FineTagger m_fine;
};

} // namespace qm::grammar
