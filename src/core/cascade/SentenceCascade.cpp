#include "core/cascade/SentenceCascade.h"

#include "core/cascade/Lexicon.h"
#include "core/cascade/ParseRepair.h"
#include "core/cascade/ParseTree.h"

namespace qm::cascade {

namespace {

// A parse without a verb or auxiliary stands for a fragment ("Thanks for the help!"), unless a
// word the lexicon knows as a verb form says the tagger missed the verb ("the current grew
// stronger"): then the parse is not trusted.
bool missedVerb(const grammar::Sentence& words, const Token* tokens, std::size_t n) {
    for (const grammar::Word& w : words) {
        if (w.upos == grammar::Upos::Verb || w.upos == grammar::Upos::Aux) return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (tokens[i].classes & (kVerb | kAuxiliary | kModal)) return true;
    }
    return false;
}

} // namespace

SentenceCascade::SentenceCascade(SentenceParser* parser)
    : m_parser(parser) {}

bool SentenceCascade::parseable(std::string_view text, const Token* tokens, std::size_t n) const {
    std::size_t words = 0, capitals = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!tokens[i].isWord) continue;
        ++words;
        if (tokens[i].allCapitals) ++capitals;
    }
    if (words == 0 || words > m_parser->maxWords()) return false;
    // Shouting: most words in capitals.
    if (capitals >= 2 && capitals * 3 >= words * 2) return false;
    // Script: letters A to Z against characters outside ASCII and Latin-1/Latin Extended-A
    // (lead bytes 0xC3 to 0xC5) that are not typographic punctuation (0xE2).
    std::size_t latin = 0, other = 0;
    const std::size_t from = tokens[0].begin, to = tokens[n - 1].end;
    for (std::size_t i = from; i < to; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            ++latin;
        } else if (c >= 0xC6 && c != 0xE2) {
            ++other;
        }
    }
    return latin > other;
}

std::size_t SentenceCascade::layout(std::string_view text, const std::vector<Token>& tokens,
                                    std::size_t first, std::size_t last, NameMemory& names,
                                    Lines& out) {
    if (first >= last || last > tokens.size()) return 0;
    if (m_parser && !parseable(text, tokens.data() + first, last - first)) {
        ++m_counts.unparseable;
    } else if (m_parser) {
        const std::size_t base = tokens[first].begin;
        std::string_view sentence = text.substr(base, tokens[last - 1].end - base);
        // Style tags ("|i>") are not words: the parser sees blanks in their place, so the
        // offsets of the words still point into the text.
        if (sentence.find('|') != std::string_view::npos) {
            m_masked.assign(sentence);
            for (std::size_t i = 0; i + 2 < m_masked.size(); ++i) {
                if (m_masked[i] == '|' && m_masked[i + 2] == '>') m_masked.replace(i, 3, "   ");
            }
            sentence = m_masked;
        }
        m_parse.clear();
        if (m_parser->parse(sentence, m_parse) &&
            !missedVerb(m_parse, tokens.data() + first, last - first)) {
            if (isTree(m_parse)) repairParse(sentence, m_parse);
            const std::size_t lines =
                m_parseLayout.layout(text, tokens, first, last, m_parse, base, names, out);
            if (lines > 0) {
                ++m_counts.parsed;
                return lines;
            }
            ++m_counts.misfit;
        } else {
            ++m_counts.untrusted;
        }
    }
    ++m_counts.lexicon;
    return m_lexicon.layout(text, tokens, first, last, names, out);
}

} // namespace qm::cascade
