#pragma once
// What reading aloud says for the display lines: which lines have words to read, where a
// sentence ends, and the SSML of one utterance.
//
// An utterance is one sentence from a given line to its end (a line whose words end in ".",
// "!", "?" or an ellipsis, before closing quotes and brackets), or one title or heading (bold
// lines at level 00) with a pause after it. Markers, reference points, empty rows, line codes,
// tags and picture names are never read. Each read line gets a mark named after its display
// line ("L" and its index) before its words; the page's Windows-1252 bytes become UTF-8 and
// the characters SSML reserves are escaped. Words in the speech colour (tag "|6>") may be read
// by a second voice.
#include "core/base/LineBuffer.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::speech {

// What a display line is to the voice.
enum class LineRole { Silent, Phrase, Heading };

struct SpeechStyle {
    // The gender asked of the second voice that reads words in the speech colour; empty reads
    // them in the reader's voice.
    std::string speechVoiceGender = "female";
    // The pause after a title or heading.
    int headingPauseMs = 700;
};

struct UtteranceText {
    std::string ssml;
    std::vector<int> lines; // the lines it marks, in order
    int end = 0;            // the first line after it
};

// An utterance never holds more lines than this: a run of lines with no sentence end is read
// in pieces.
inline constexpr int kMaxUtteranceLines = 40;

LineRole lineRole(const LineBuffer& lines, int index);

// The utterance from the first line at or after `from` that has words to read, or nothing when
// none is left before the end line (the list's last two lines are never read).
std::optional<UtteranceText> utteranceFrom(const LineBuffer& lines, int from,
                                           const SpeechStyle& style = {});

// The words of a display line as read: tags, indentation and pictures' names removed.
std::string spokenWords(std::string_view line);

std::string markName(int line);
// The line a mark names, or nothing for a mark this reader did not write.
std::optional<int> lineOfMark(std::string_view mark);

} // namespace qm::speech
