#pragma once
// Book files to a book's structure: the one entry point of the book readers.
#include "core/cascade/Document.h"
#include "core/import/BookPictures.h"

#include <cstdint>
#include <string_view>

namespace qm::import {

enum class BookFormat { PlainText, Html, Epub };

// The largest book file read (beyond any book, short of exhausting memory).
constexpr std::uint64_t kMaxBookFileBytes = 256ull << 20;

// True for the names of book files the readers take: ".epub", ".htm", ".html", ".txt"
// (any case).
bool isBookFileName(std::string_view fileName);

// The reader for a file: a zip archive (or ".epub") is an EPUB; ".htm", ".html", or text
// that begins as HTML is HTML; anything else is plain text.
BookFormat bookFormatOf(std::string_view fileName, std::string_view bytes);

// Reads a book file's bytes into its structure, choosing the reader by its name and content.
// Text and HTML in any of the encodings recognised (byte-order marks, UTF-8, else
// Windows-1252) come out as UTF-8. A book without a title of its own is titled by its file
// name. Bad input throws UserError with a message naming the file ("Cannot open
// book.epub: ..."); nothing is written anywhere.
cascade::Document readBook(std::string_view fileName, std::string_view bytes);
// The same, an HTML book's pictures read with `localFiles` (see readHtmlBook).
cascade::Document readBook(std::string_view fileName, std::string_view bytes,
                           const PictureFetch& localFiles);

} // namespace qm::import
