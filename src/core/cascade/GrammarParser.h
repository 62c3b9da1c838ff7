#pragma once
// The project's own tagger and parser as the cascader's sentence parser, and the program's
// parser: the grammar model in the program folder, read when a cascade first needs it.
#include "core/cascade/SentenceCascade.h"
#include "core/grammar/Grammar.h"
#include "core/port/FileSystem.h"

#include <memory>
#include <mutex>
#include <string>

namespace qm::cascade {

class GrammarParser final : public SentenceParser {
public:
    explicit GrammarParser(std::shared_ptr<const grammar::Grammar> grammar);
    // Reads the model file at `path` through `fs`; throws UserError when it cannot.
    static std::unique_ptr<GrammarParser> load(const FileSystem& fs, const std::string& path);

    bool parse(std::string_view sentence, grammar::Sentence& out) override;
    std::size_t maxWords() const override { return grammar::Grammar::kMaxParsedWords; }

private:
    std::shared_ptr<const grammar::Grammar> m_grammar;
};

// The grammar model's file in a program folder (which ends with the path separator).
std::string modelPathIn(const std::string& programFolder);

// The program's parser. Its model file is read through the file system the first time a
// sentence is given to it, so a run that cascades nothing never reads it; from then on it is
// kept. A missing, unreadable or damaged model parses nothing: every sentence then takes the
// lexicon rules, and the lines are those of a cascade without a parser.
//
// Safe to use from several threads at once (the window's and a worker's). The file system is
// read once, from whichever thread parses first: it must allow that (the real one keeps no
// state) and outlive this.
class ModelParser final : public SentenceParser {
public:
    ModelParser(const FileSystem& fs, std::string modelPath);

    bool parse(std::string_view sentence, grammar::Sentence& out) override;
    std::size_t maxWords() const override { return grammar::Grammar::kMaxParsedWords; }

    // Reads the model unless it was read already; whether it could be.
    bool load();

private:
    const FileSystem& m_fs;
    std::string m_path;
    std::once_flag m_once;
    std::unique_ptr<GrammarParser> m_parser;
};

} // namespace qm::cascade
