#include "core/grammar/FineTagger.h"

#include <vector>

namespace qm::grammar {
namespace {

constexpr std::string_view kFineNames[kFineCount] = {
    "",    "CC",  "CD",   "DT",    "EX",    "FW",   "IN",   "JJ",  "JJR", "JJS", "LS",  "MD",  "NN",
    "NNS", "NNP", "NNPS", "PDT",   "POS",   "PRP",  "PRP$", "RB",  "RBR", "RBS", "RP",  "SYM", "TO",
    "UH",  "VB",  "VBD",  "VBG",   "VBN",   "VBP",  "VBZ",  "WDT", "WP",  "WP$", "WRB", ",",   ".",
    ":",   "``",  "''",   "-LRB-", "-RRB-", "HYPH", "NFP",  "ADD", "AFX", "GW",  "XX",  "$",   "#",
};

} // namespace

std::uint8_t fineFromName(std::string_view name) {
    for (std::uint32_t t = 1; t < kFineCount; ++t)
        if (kFineNames[t] == name) return static_cast<std::uint8_t>(t);
    return 0;
}

void fineFeatures(const Lexeme* lex, const Upos* tags, std::size_t n, std::size_t i,
                  std::uint32_t* out) {
    const Lexeme& w = lex[i];
    const std::uint64_t p = static_cast<std::uint64_t>(tags[i]);
    const std::uint64_t before = i > 0 ? static_cast<std::uint64_t>(tags[i - 1]) : kUposCount;
    const std::uint64_t after = i + 1 < n ? static_cast<std::uint64_t>(tags[i + 1]) : kUposCount;
    // Most keys are of tags and form classes, which few rows hold: the rows stay in the cache.
    // Only the word and its ending need a row of their own.
    out[0] = feature(200, p);
    out[1] = feature(202, p, w.word);
    out[2] = feature(205, p, w.suffix[2]);
    out[3] = feature(207, p, w.form);
    out[4] = feature(208, p, before, after);
    out[5] = feature(211, p, i > 0 ? lex[i - 1].form : 255, after);
    out[6] = feature(212, p, before, i > 0 ? lex[i - 1].form : 255);
}

void FineTagger::tag(const Lexeme* lex, const Upos* tags, std::size_t n, std::uint8_t* out) const {
    // No word's fine tag depends on another's: the keys of the whole sentence are made first,
    // and each word's weights are asked for a few words before they are added, so that the
    // fetches of several words are in flight at once.
    constexpr std::size_t kAhead = 4;
    thread_local std::vector<std::uint32_t> keys;
    keys.resize(n * kFineFeatureCount);
    for (std::size_t i = 0; i < n; ++i) {
        fineFeatures(lex, tags, n, i, keys.data() + i * kFineFeatureCount);
        if (i < kAhead) m_weights.prefetch(keys.data() + i * kFineFeatureCount, kFineFeatureCount);
    }
    std::int32_t scores[kFineCount];
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            m_weights.prefetch(keys.data() + (i + kAhead) * kFineFeatureCount, kFineFeatureCount);
        for (std::int32_t& s : scores)
            s = 0;
        m_weights.addAll(keys.data() + i * kFineFeatureCount, kFineFeatureCount, scores);
        std::uint32_t best = 0;
        for (std::uint32_t c = 1; c < kFineCount; ++c)
            if (scores[c] > scores[best]) best = c;
        out[i] = static_cast<std::uint8_t>(best);
    }
}

} // namespace qm::grammar
