#include "core/grammar/Tokenizer.h"
#include "core/grammar/training/Training.h"

#include <algorithm>
#include <set>
#include <utility>

namespace qm::grammar {
namespace {

std::string_view universal(Rel r) {
    const std::string_view name = relName(r);
    return name.substr(0, name.find(':'));
}

} // namespace

Scores evaluate(const Grammar& grammar, const std::vector<TreebankSentence>& sentences) {
    Scores scores;
    Sentence words;
    for (const TreebankSentence& s : sentences) {
        words = s.words;
        grammar.parseWords(s.text, words);
        for (std::size_t i = 0; i < words.size(); ++i) {
            const Word& g = s.words[i];
            const Word& p = words[i];
            ++scores.words;
            scores.tagsRight += p.upos == g.upos;
            scores.headsRight += p.head == g.head;
            scores.arcsRight += p.head == g.head && p.rel == g.rel;
            scores.universalArcsRight += p.head == g.head && universal(p.rel) == universal(g.rel);
        }
    }
    return scores;
}

TokenScores evaluateTokenizer(const std::vector<TreebankSentence>& sentences, std::FILE* misses) {
    TokenScores t;
    Sentence cut;
    for (const TreebankSentence& s : sentences) {
        tokenize(s.text, cut);
        std::set<std::pair<std::size_t, std::size_t>> gold;
        for (const Word& w : s.words)
            if (w.end > w.begin) gold.emplace(w.begin, w.end);
        std::size_t matched = 0;
        for (const Word& w : cut)
            matched += gold.count({w.begin, w.end});
        t.goldWords += gold.size();
        t.cutWords += cut.size();
        t.matched += matched;
        ++t.sentences;
        const bool exact = matched == gold.size() && cut.size() == gold.size();
        t.exact += exact;
        if (!exact && misses) {
            std::fprintf(misses, "gold:");
            for (const auto& [b, e] : gold)
                std::fprintf(misses, " [%.*s]", static_cast<int>(e - b), s.text.data() + b);
            std::fprintf(misses, "\ncut: ");
            for (const Word& w : cut)
                std::fprintf(misses, " [%.*s]", static_cast<int>(w.end - w.begin),
                             s.text.data() + w.begin);
            std::fprintf(misses, "\n\n");
        }
    }
    return t;
}

} // namespace qm::grammar
