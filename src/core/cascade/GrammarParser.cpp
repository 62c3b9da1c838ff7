#include "core/cascade/GrammarParser.h"

#include <exception>

namespace qm::cascade {

GrammarParser::GrammarParser(std::shared_ptr<const grammar::Grammar> grammar)
    : m_grammar(std::move(grammar)) {}

std::unique_ptr<GrammarParser> GrammarParser::load(const FileSystem& fs, const std::string& path) {
    return std::make_unique<GrammarParser>(grammar::Grammar::load(fs, path));
}

bool GrammarParser::parse(std::string_view sentence, grammar::Sentence& out) {
    return m_grammar && m_grammar->parse(sentence, out);
}

std::string modelPathIn(const std::string& programFolder) {
    return programFolder + std::string(grammar::Grammar::kModelFileName);
}

ModelParser::ModelParser(const FileSystem& fs, std::string modelPath)
    : m_fs(fs)
    , m_path(std::move(modelPath)) {}

bool ModelParser::load() {
    std::call_once(m_once, [this] {
        try {
            m_parser = GrammarParser::load(m_fs, m_path);
        } catch (const std::exception&) {
            // A missing, damaged or foreign model: the lexicon rules still work.
        }
    });
    return m_parser != nullptr;
}

bool ModelParser::parse(std::string_view sentence, grammar::Sentence& out) {
    return load() && m_parser->parse(sentence, out);
}

} // namespace qm::cascade
