#include "eval/LayoutQuality.h"

#include "core/cascade/ParseTree.h"
#include "core/cascade/PhraseLine.h"
#include "core/cascade/WordTests.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace qm::cascade {

using grammar::Rel;
using grammar::Upos;

namespace {

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
constexpr int kBase = 5;
constexpr std::size_t kLineWidth = 40;

double share(std::size_t part, std::size_t whole) {
    return whole == 0 ? 0.0 : static_cast<double>(part) / static_cast<double>(whole);
}

// Average ranks (from 1) of the values.
std::vector<double> ranks(const std::vector<int>& v) {
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
    std::vector<double> r(v.size());
    std::size_t i = 0;
    while (i < order.size()) {
        std::size_t j = i;
        while (j < order.size() && v[order[j]] == v[order[i]])
            ++j;
        const double avg = (static_cast<double>(i + 1) + static_cast<double>(j)) / 2.0;
        for (std::size_t k = i; k < j; ++k)
            r[order[k]] = avg;
        i = j;
    }
    return r;
}

bool isPhraseLine(const std::string& l) {
    return l.size() >= 3 && l[0] == 'l' && l[1] >= '0' && l[1] <= '9' && l[2] >= '0' && l[2] <= '9';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Characters from the first to the last word of the run of tight gaps around gap g.
std::size_t unitWidth(std::string_view text, const grammar::Sentence& tree,
                      const std::vector<std::uint8_t>& tight, std::size_t g) {
    std::size_t a = g, b = g + 1;
    while (a > 0 && tight[a - 1])
        --a;
    while (b < tight.size() && tight[b])
        ++b;
    std::size_t width = 0;
    for (std::size_t i = tree[a].begin; i < tree[b].end && i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++width;
    }
    return width;
}

} // namespace

double spearmanCorrelation(const std::vector<std::pair<int, int>>& pairs) {
    std::vector<int> a(pairs.size()), b(pairs.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        a[i] = pairs[i].first;
        b[i] = pairs[i].second;
    }
    const std::vector<double> ra = ranks(a), rb = ranks(b);
    const double n = static_cast<double>(pairs.size());
    if (pairs.size() < 2) return 0.0;
    const double ma = std::accumulate(ra.begin(), ra.end(), 0.0) / n;
    const double mb = std::accumulate(rb.begin(), rb.end(), 0.0) / n;
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        sab += (ra[i] - ma) * (rb[i] - mb);
        saa += (ra[i] - ma) * (ra[i] - ma);
        sbb += (rb[i] - mb) * (rb[i] - mb);
    }
    if (saa <= 0 || sbb <= 0) return 0.0;
    return sab / std::sqrt(saa * sbb);
}

namespace {

// One sentence's lines aligned to its text: the line and colour of every byte, every line's
// level and every word's line.
struct Alignment {
    std::vector<std::size_t> byteLine;
    std::vector<char> byteColour;
    std::vector<int> levels;
    std::vector<std::size_t> lineOf; // per word
};

// Walks the phrase lines' bytes along the text; false when they do not spell it out.
bool alignBytes(std::string_view text, const Lines& laidOut, Alignment& a) {
    a.byteLine.assign(text.size(), kNoLine);
    a.byteColour.assign(text.size(), '4');
    a.levels.clear();
    std::size_t pos = 0;
    for (const std::string& l : laidOut) {
        if (!isPhraseLine(l)) continue;
        const std::size_t line = a.levels.size();
        a.levels.push_back((l[1] - '0') * 10 + (l[2] - '0'));
        char colour = '4';
        for (std::size_t i = 3; i < l.size(); ++i) {
            if (l[i] == '|' && i + 2 < l.size() && l[i + 2] == '>') {
                if (l[i + 1] >= '4' && l[i + 1] <= '9') colour = l[i + 1];
                i += 2;
                continue;
            }
            if (l[i] == ' ') continue;
            while (pos < text.size() && isSpace(text[pos]))
                ++pos;
            if (pos >= text.size() || text[pos] != l[i]) return false;
            a.byteLine[pos] = line;
            a.byteColour[pos] = colour;
            ++pos;
        }
    }
    return true;
}

// Every word's line, the line of its first byte; false when a word has none.
bool alignWords(std::string_view text, const grammar::Sentence& tree, Alignment& a) {
    a.lineOf.resize(tree.size());
    for (std::size_t w = 0; w < tree.size(); ++w) {
        const std::size_t b = tree[w].begin;
        if (b >= text.size() || a.byteLine[b] == kNoLine) return false;
        a.lineOf[w] = a.byteLine[b];
    }
    return true;
}

// Each line's head (kNoLine for a line without one): its word whose head lies outside the line,
// a word before punctuation, the shallowest, then the first. wordCount: words, punctuation aside.
void findLineHeads(const grammar::Sentence& tree, const Alignment& a, const std::vector<int>& depth,
                   std::vector<std::size_t>& head, std::vector<std::size_t>& wordCount) {
    head.assign(a.levels.size(), kNoLine);
    wordCount.assign(a.levels.size(), 0);
    auto better = [&](std::size_t w, std::size_t than) {
        if (than == kNoLine) return true;
        const bool p = tree[w].upos == Upos::Punct, q = tree[than].upos == Upos::Punct;
        if (p != q) return q;
        return depth[w] < depth[than];
    };
    for (std::size_t w = 0; w < tree.size(); ++w) {
        const std::size_t line = a.lineOf[w];
        if (tree[w].upos != Upos::Punct) ++wordCount[line];
        const bool outside = tree[w].head == 0 || a.lineOf[tree[w].head - 1] != line;
        if (outside && better(w, head[line])) head[line] = w;
    }
}

// The main verb: the root when it is a verb or an auxiliary, else its copula; kNoLine if none.
std::size_t mainVerbOf(const grammar::Sentence& tree, std::size_t root) {
    if (isVerbal(tree[root].upos)) return root;
    for (std::size_t w = 0; w < tree.size(); ++w) {
        if (tree[w].head == root + 1 && tree[w].rel == Rel::Cop) return w;
    }
    return kNoLine;
}

// The first word (punctuation skipped) after the root's first `advcl` that opens the sentence
// (only lead-in words before it) and ends before the root; kNoLine when there is none.
std::size_t afterFrontedClause(const grammar::Sentence& tree, std::size_t root) {
    const std::size_t n = tree.size();
    for (std::size_t a = 0; a < root; ++a) {
        if (tree[a].head != root + 1 || tree[a].rel != Rel::Advcl) continue;
        std::size_t from = a, to = a;
        for (std::size_t w = 0; w < n; ++w) {
            if (descendsFrom(tree, w, a)) {
                from = std::min(from, w);
                to = std::max(to, w);
            }
        }
        bool opens = to < root;
        for (std::size_t w = 0; w < from && opens; ++w) {
            const Rel r = tree[w].rel;
            opens = r == Rel::Punct || r == Rel::Cc || r == Rel::Advmod || r == Rel::Discourse ||
                    r == Rel::Mark;
        }
        std::size_t next = to + 1;
        while (next < n && tree[next].upos == Upos::Punct)
            ++next;
        if (!opens || next >= n) continue;
        return next;
    }
    return kNoLine;
}

} // namespace

bool LayoutQuality::add(std::string_view text, const grammar::Sentence& tree,
                        const Lines& laidOut) {
    Alignment a;
    if (!alignBytes(text, laidOut, a)) {
        ++unaligned;
        return false;
    }
    lastTightBreaks.clear();
    lastMissedOutdents.clear();
    if (!alignWords(text, tree, a)) {
        ++unaligned;
        return false;
    }
    ++sentences;
    words += tree.size();
    lines += a.levels.size();
    std::vector<int> depth;
    wordDepths(tree, false, depth);
    std::vector<std::size_t> head, wordCount;
    findLineHeads(tree, a, depth, head, wordCount);
    for (std::size_t line = 0; line < a.levels.size(); ++line) {
        if (wordCount[line] == 1) ++oneWordLines;
        if (head[line] != kNoLine) levelAndDepth.emplace_back(a.levels[line], depth[head[line]]);
    }
    countBreaks(text, tree, a.levels, a.lineOf, head, depth);

    std::size_t root = 0;
    for (std::size_t w = 0; w < tree.size(); ++w) {
        if (tree[w].head == 0) root = w;
    }
    // Speech wins over the verb colour: a main verb inside quotation marks is not counted.
    const std::size_t verb = mainVerbOf(tree, root);
    if (verb != kNoLine && a.byteColour[tree[verb].begin] != '6') {
        ++mainVerbs;
        if (a.byteColour[tree[verb].begin] == '7') ++mainVerbsColoured;
    }
    if (verb != kNoLine) countConjunctVerbs(tree, root, a.byteColour);
    const std::size_t next = afterFrontedClause(tree, root);
    if (next != kNoLine) {
        ++fronted;
        if (a.levels[a.lineOf[next]] == kBase) ++frontedAtBase;
    }
    return true;
}

// The verbs joined to the root by a chain of `conj` arcs (heads before dependents, so a
// conjunct's head is marked before it when the arcs point left; a second pass takes the rest).
void LayoutQuality::countConjunctVerbs(const grammar::Sentence& tree, std::size_t root,
                                       const std::vector<char>& byteColour) {
    std::vector<std::uint8_t> joined(tree.size(), 0);
    joined[root] = 1;
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t w = 0; w < tree.size(); ++w) {
            if (joined[w] || tree[w].rel != Rel::Conj || !joined[tree[w].head - 1]) continue;
            joined[w] = 1;
            grew = true;
        }
    }
    for (std::size_t w = 0; w < tree.size(); ++w) {
        if (w == root || !joined[w]) continue;
        const std::size_t verb = mainVerbOf(tree, w);
        if (verb == kNoLine || byteColour[tree[verb].begin] == '6') continue;
        ++conjVerbs;
        if (byteColour[tree[verb].begin] == '7') ++conjVerbsColoured;
    }
}

void LayoutQuality::countBreaks(std::string_view text, const grammar::Sentence& tree,
                                const std::vector<int>& levels,
                                const std::vector<std::size_t>& lineOf,
                                const std::vector<std::size_t>& head,
                                const std::vector<int>& depth) {
    std::vector<std::uint8_t> tight;
    tightGaps(text, tree, tight);
    for (std::size_t w = 1; w < tree.size(); ++w) {
        if (lineOf[w] == lineOf[w - 1]) continue;
        ++breaks;
        if (tight[w - 1]) {
            ++tightBreaks;
            lastTightBreaks.push_back(w - 1);
            if (unitWidth(text, tree, tight, w - 1) > kLineWidth) ++forcedTightBreaks;
        }
        const std::size_t a = head[lineOf[w - 1]], b = head[lineOf[w]];
        if (a == kNoLine || b == kNoLine || depth[b] >= depth[a]) continue;
        ++shallower;
        if (levels[lineOf[w - 1]] <= kBaseLevel) ++shallowerFromBase;
        if (levels[lineOf[w]] < levels[lineOf[w - 1]]) {
            ++outdented;
        } else {
            lastMissedOutdents.emplace_back(a, b);
        }
    }
}

double LayoutQuality::tightPer100() const {
    return 100.0 * share(tightBreaks, breaks);
}
double LayoutQuality::unforcedTightPer100() const {
    return 100.0 * share(tightBreaks - forcedTightBreaks, breaks);
}
double LayoutQuality::outdentShare() const {
    return share(outdented, shallower);
}
double LayoutQuality::possibleOutdentShare() const {
    return share(outdented, shallower - shallowerFromBase);
}
double LayoutQuality::frontedAtBaseShare() const {
    return share(frontedAtBase, fronted);
}
double LayoutQuality::mainVerbColouredShare() const {
    return share(mainVerbsColoured, mainVerbs);
}
double LayoutQuality::conjVerbColouredShare() const {
    return share(conjVerbsColoured, conjVerbs);
}
double LayoutQuality::spearman() const {
    return spearmanCorrelation(levelAndDepth);
}

} // namespace qm::cascade
