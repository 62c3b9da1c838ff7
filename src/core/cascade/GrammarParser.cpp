#include "core/cascade/GrammarParser.h"

namespace qm::cascade {

GrammarParser::GrammarParser(std::shared_ptr<const grammar::Grammar> grammar)
    : m_grammar(std::move(grammar)) {}

std::unique_ptr<GrammarParser> GrammarParser::load(const std::string& path) {
    return std::make_unique<GrammarParser>(grammar::Grammar::load(path));
}

bool GrammarParser::parse(std::string_view sentence, grammar::Sentence& out) {
    return m_grammar && m_grammar->parse(sentence, out);
}

} // namespace qm::cascade
