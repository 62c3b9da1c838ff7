#pragma once
// The cascader: turns plain prose into the stored plain form of a cascaded text. Phrases of a
// few words, one per line, indented by their depth in the sentence; "s000 " after every
// sentence; a numbered paragraph marker about every 300 lines; a reference point and a bold
// line for every heading; colour tags for speech (|6>), verbs (|7>) and names (|8>).
// Each sentence is laid out from its parse by the sentence parser the cascader is given, or
// with the lexicon rules where there is none or its parse is not used (SentenceCascade.h).
// Deterministic for a given parser, linear in the size of the prose.
#include "core/base/Text.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

namespace cascade {
class SentenceParser;
}

// Cascades plain prose (any bytes; CR, LF or CR LF line ends) into stored lines: a banner
// line first, then phrase lines, markers, a reference point and bold title for each heading,
// and "END" as the last line. `parser` as for the Cascader.
Lines cascadeText(std::string_view prose, cascade::SentenceParser* parser);

// Cascades several stories into one stored text, reference points numbered through all of
// them and paragraph markers numbered from 001 within each.
class Cascader {
public:
    // Sentences are parsed by `parser`, which must outlive the cascader; nullptr lays every
    // sentence out with the lexicon rules. An empty banner lets the first heading's text (or
    // a fixed line) become the banner.
    explicit Cascader(cascade::SentenceParser* parser, std::string banner = {});
    ~Cascader();
    Cascader(const Cascader&) = delete;
    Cascader& operator=(const Cascader&) = delete;

    // Adds one story. Its first heading is the story's title; later headings are headings
    // inside the story. Licence headers and footers of plain-text e-books are skipped.
    void addStory(std::string_view prose);

    // The pieces of a book whose structure is known (see DocumentCascade.h), added in reading
    // order. Text is words with single blanks and may carry the style tags "|i>", "|b>" and
    // "|n>", which reach the phrase lines unchanged.
    //
    // A reference point, then the title in bold at level 00; returns the reference point's
    // number, 0 when all are used. The first heading is followed by the first paragraph
    // marker, later ones by a section break.
    int addHeading(std::string_view title);
    // A reference point line alone; its number, or 0 when all are used.
    int addReferencePoint();
    // One paragraph, cascaded as prose.
    void addParagraph(std::string_view text);
    // Lines shown as they stand (one phrase line each, not cascaded), then a section break.
    void addVerbatim(std::string_view lines);
    // One entry of a list that is not prose (a line of the book's printed contents): its
    // words on a line of their own at the base level, wrapped at blanks within the line's
    // width with the rest one step in, in the text colour (no name or verb colour). A run of
    // entries ends with a section break before whatever comes next.
    void addEntry(std::string_view text);
    // A section break with a visible "* * *" line.
    void addSceneBreak();
    // A picture: its image tag naming the stored picture, on `rows` lines (the first names
    // it, the others are tags without a name), then a section break. Without a name, an
    // "[image]" line stands in its place.
    void addImage(std::string_view name = {}, int rows = 1);
    static constexpr int kMaxPictureRows = 40;

    // Hands the lines made since the last call to `sink` one by one and lets them go (the
    // banner and "END" aside, which only finish() gives), so a long book can be streamed out.
    void drainLines(const std::function<void(std::string& line)>& sink);
    // From now on, hands the lines of a long paragraph or verbatim block to `sink` while it
    // is laid out (in order, before the lines drainLines() hands out), so that no block is
    // held whole in lines.
    void handLinesTo(std::function<void(std::string& line)> sink);

    // The stored lines: the banner, every story added, then "END". Ends the cascader's use.
    Lines finish();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm
