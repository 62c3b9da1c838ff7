#pragma once
// A text read into display lines as opening it in the reader does, and the reference-point
// search that positions an opened text.
//
// The text key of the path (its file name up to its first ".") selects a built-in source
// (the embedded book or one of the short pages); any other key reads the file: a ".txt" file
// is plain prose and is cascaded first (each sentence parsed by the parser given: nullptr
// lays it out with the lexicon rules), any other file is a stored text, read in pieces. A
// file that cannot be read gives the author entry page. Throws UserError as the conversion
// passes do.
#include "core/base/Text.h"
#include "core/port/FileSystem.h"
#include "core/text/LineFormat.h"

#include <string>
#include <string_view>

namespace qm {

namespace cascade {
class SentenceParser;
}

// Fills `out` with the display lines of the text at `path`. embeddedBook holds the embedded
// book's stored lines; it is filled on first use and kept by the caller.
void readDisplayLines(FileSystem& fs, const std::string& path, ConversionPass pass,
                      cascade::SentenceParser* parser, Lines& embeddedBook, LineBuffer& out);

// The display lines of the text at this path, read in the form of a collection with this
// catalogue extension. A text with no built-in source that cannot be read throws UserError
// "Cannot open file %s": the reader's page for such a text is no text of its own.
Lines openedTextLines(FileSystem& fs, const std::string& textPath,
                      std::string_view catalogueExtension, cascade::SentenceParser* parser);

// The reference point that means "none": empty, a single blank or "00000".
constexpr const char* kNoReferencePoint = "00000";
bool isNoReferencePoint(std::string_view name);

// The top line for a reference point: the line after the first line holding "|" + name + ">",
// or 0 when no line holds it. The last line (the closing blank) is never looked at.
int referencePointTop(const LineBuffer& displayLines, std::string_view name);

} // namespace qm
