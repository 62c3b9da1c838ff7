#include "core/cascade/GrammarParser.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace qm::cascade {

GrammarParser::GrammarParser(std::shared_ptr<const grammar::Grammar> grammar)
    : m_grammar(std::move(grammar)) {}

std::unique_ptr<GrammarParser> GrammarParser::load(const std::string& path) {
    return std::make_unique<GrammarParser>(grammar::Grammar::load(path));
}

bool GrammarParser::parse(std::string_view sentence, grammar::Sentence& out) {
    return m_grammar && m_grammar->parse(sentence, out);
}

SentenceParser* builtInParser() {
    static const std::unique_ptr<GrammarParser> parser = []() -> std::unique_ptr<GrammarParser> {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) return nullptr;
        const std::filesystem::path model =
            exe.parent_path() / std::string(grammar::Grammar::kModelFileName);
        if (!std::filesystem::is_regular_file(model, error)) return nullptr;
        try {
            return GrammarParser::load(model.string());
        } catch (const std::exception&) {
            return nullptr; // a damaged or foreign model: the lexicon rules still work
        }
    }();
    return parser.get();
}

} // namespace qm::cascade
