#pragma once
// UTF-8 texts on a single-byte page. The page, find, save and the index work on Windows-1252
// bytes; a text found to be UTF-8 (a byte-order mark, or valid UTF-8 with bytes above 0x7F)
// is converted to that form line by line as it is loaded.
//
// The conversion is a hook so that this folder needs no character library: the program
// installs its converter (one that transliterates what Windows-1252 lacks) once at start-up,
// before any other thread runs; until then, and in tests, the built-in conversion maps the
// characters Windows-1252 has and shows every other one as "?".
#include "core/port/FileSystem.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qm {

// Converts UTF-8 text (no line ends in it) to Windows-1252 bytes.
using SingleByteConverter = std::function<std::string(std::string_view utf8)>;

// Installs the converter every later conversion goes through; an empty one restores the
// built-in conversion. Not to be called while another thread converts.
void installSingleByteConverter(SingleByteConverter converter);

// Converts through the installed converter (the built-in one when none is installed).
std::string toSingleByte(std::string_view utf8);

// The built-in conversion: characters Windows-1252 has become their byte, others and bytes
// that are not UTF-8 become "?".
std::string builtInToSingleByte(std::string_view utf8);

// Reads bytes in pieces and tells whether they are UTF-8 as a whole: a UTF-8 byte-order mark
// at the start, or valid UTF-8 holding at least one byte above 0x7F. A sequence cut between
// two pieces is carried over.
class Utf8Scan {
public:
    void feed(std::string_view piece);
    bool isUtf8() const;

private:
    std::size_t m_seen = 0;
    int m_pending = 0;        // continuation bytes still expected
    unsigned m_lowest = 0x80; // lowest allowed value of the next continuation byte
    unsigned m_highest = 0xBF;
    bool m_bom = false;
    bool m_nonAscii = false;
    bool m_invalid = false;
    unsigned char m_head[3] = {0, 0, 0};
};

bool isUtf8Text(std::string_view bytes);

// The bytes without a UTF-8 byte-order mark at their start.
std::string_view withoutUtf8Bom(std::string_view bytes);

// Wraps a reader so that every piece read also goes through a scan.
std::unique_ptr<FileReader> scanningReader(std::unique_ptr<FileReader> inner, Utf8Scan& scan);

} // namespace qm
