#pragma once
// Measures how well cascaded lines show a sentence's structure, judged by a dependency tree of
// the sentence (a treebank's gold tree, or a parser's).
//
// The lines of a sentence are aligned to the tree's words by their bytes: every word belongs
// to the line that holds its first byte, and takes the colour in force at that byte. Depth is
// the clause depth: arcs up to the root, a `conj` arc counting for nothing (coordinated items
// line up). A line's head is its word whose head lies outside the line (or the root); of
// several, the shallowest, then the first. The six figures:
//
// 1. Tight breaks per 100 breaks: of all boundaries between consecutive lines of a sentence,
//    those whose gap (last word of one line, first word of the next) lies inside a unit that
//    never breaks (tightGaps in ParseTree.h), times 100. A break inside a unit wider than a
//    line (40 characters from its first to its last word) is forced; it is counted, and also
//    counted apart.
// 2. Outdent share: of all pairs of consecutive lines whose second head is shallower than the
//    first, those whose second line has a lower level. A pair whose first line is already at
//    the base level cannot be outdented (no line sits left of the base); it is counted, and
//    also counted apart.
// 3. Main clause at base: of all sentences whose root has an `advcl` dependent that opens the
//    sentence (only punctuation, `cc`, `advmod`, `discourse` and `mark` words before it) and
//    ends before the root, those where the line holding the first word after that clause
//    (punctuation skipped) is at level 05.
// 4. Main verb coloured: of all sentences whose root is a verb or an auxiliary, or has a
//    copula, those where that word (the root, else its copula) is in the verb colour |7>.
//    Speech colour wins over the verb colour, so a main verb inside quotation marks (|6>) is
//    not counted.
// 5. Coordinated main verbs coloured: of all verbs joined by `conj` arcs to the root or to a
//    verb so joined (or of their copulas, for a coordinated predicate), in sentences whose root
//    has a main verb as in 4, those in the verb colour; speech is left out as in 4.
// 6. Spearman correlation of line level and the depth of the line's head, over all lines of
//    all sentences pooled (ties take their average rank).
#include "core/base/Text.h"
#include "core/grammar/Parse.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace qm::cascade {

struct LayoutQuality {
    std::size_t sentences = 0;
    std::size_t unaligned = 0; // sentences whose lines did not match their text
    std::size_t lines = 0;
    std::size_t words = 0;
    std::size_t oneWordLines = 0;
    std::size_t breaks = 0;
    std::size_t tightBreaks = 0;
    std::size_t forcedTightBreaks = 0; // inside a unit wider than a line
    std::size_t shallower = 0;
    std::size_t outdented = 0;
    std::size_t shallowerFromBase = 0; // of `shallower`, first line at the base level
    std::size_t fronted = 0;
    std::size_t frontedAtBase = 0;
    std::size_t mainVerbs = 0;
    std::size_t mainVerbsColoured = 0;
    std::size_t conjVerbs = 0;
    std::size_t conjVerbsColoured = 0;
    std::vector<std::pair<int, int>> levelAndDepth; // one per line
    // The words of the last sentence added that end a line inside a tight unit.
    std::vector<std::size_t> lastTightBreaks;
    // The heads of the two lines of each pair of the last sentence added where the tree goes
    // shallower but the second line is not outdented.
    std::vector<std::pair<std::size_t, std::size_t>> lastMissedOutdents;

    // Adds one sentence: `text` as laid out, `tree` judging it (offsets into `text`, a valid
    // tree), `laidOut` the phrase lines made of it (other lines are skipped). False, and only
    // `unaligned` counted, when the lines do not spell out the text.
    bool add(std::string_view text, const grammar::Sentence& tree, const Lines& laidOut);

    double tightPer100() const;
    double unforcedTightPer100() const;
    double outdentShare() const;
    double possibleOutdentShare() const; // leaving out the pairs that start at the base
    double frontedAtBaseShare() const;
    double mainVerbColouredShare() const;
    double conjVerbColouredShare() const;
    double spearman() const;

private:
    // Counts the breaks of the sentence, tight and outdented, from its lines' levels, each
    // word's line, each line's head and each word's depth.
    void countBreaks(std::string_view text, const grammar::Sentence& tree,
                     const std::vector<int>& levels, const std::vector<std::size_t>& lineOf,
                     const std::vector<std::size_t>& head, const std::vector<int>& depth);
    // Counts the verbs coordinated with the main clause's, by the colour at each byte.
    void countConjunctVerbs(const grammar::Sentence& tree, std::size_t root,
                            const std::vector<char>& byteColour);
};

// Spearman's rank correlation of the pairs; 0 when either side does not vary.
double spearmanCorrelation(const std::vector<std::pair<int, int>>& pairs);

} // namespace qm::cascade
