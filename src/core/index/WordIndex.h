#pragma once
// Making a word index file for a text: every word of its display lines with the lines it
// occurs on, in the file format the Index tab loads (see IndexTree.h).
//
// Words are runs of the letters A to Z (an apostrophe between two letters belongs to the
// word), taken from the lines with their tags removed; reference-point lines and the file
// name of an image tag hold no words. Words of one or two letters and short function words
// ("the", "and", "with", ...) are left out. A word keeps its letter case as found, so "Wind"
// and "wind" are two entries, but entries are ordered without regard to case so that words
// with the same first letter stay together. Each line of a word is referenced once, as "|" +
// four filler characters + the line index in five digits (six from 100000 on); lines beyond
// 999999 cannot be written in that form and are left out.
#include "core/base/LineBuffer.h"
#include "core/base/Text.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

Lines makeWordIndex(const LineBuffer& displayLines);

// The same index made from display lines handed over one at a time, in order, for a text
// whose display lines are not held whole.
class WordIndexBuilder {
public:
    WordIndexBuilder();
    ~WordIndexBuilder();
    WordIndexBuilder(const WordIndexBuilder&) = delete;
    WordIndexBuilder& operator=(const WordIndexBuilder&) = delete;
    void addLine(std::string_view displayLine);
    // The index lines; ends the builder's use.
    Lines finish();
    // The index file's bytes (each line followed by CR LF), made without holding the lines;
    // ends the builder's use.
    std::string finishFile();
    // The same bytes handed to `out` a line at a time, so that the file is never held whole.
    void finishFileTo(const std::function<void(std::string_view bytes)>& out);

    // What the builder holds so far: its distinct words, their letters (each word's kept
    // once), the references of words to lines (one per word and line), and the bytes of the
    // blocks, arrays and table that hold them.
    struct Footprint {
        std::size_t words = 0;
        std::size_t wordBytes = 0;
        std::size_t references = 0;
        std::size_t heldBytes = 0;
    };
    Footprint footprint() const;

private:
    template <typename Start, typename Piece, typename End>
    void emitPieces(Start start, Piece piece, End end);
    template <typename Emit> void emitLines(Emit emit);
    void indexLine(std::string_view displayLine);
    void flushHeld();
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace qm
