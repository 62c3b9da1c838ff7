#pragma once
// The markup of an EPUB this reader writes from a cascaded text, shared by the writer (export/)
// and the reader that takes such a book back without cascading it again (LaidOutEpub.h).
//
// The package document carries the mark kLayoutProperty (with the layout version) under the
// prefix kMarkPrefix. Each stored line is one block element (p, or h2 for a story's title):
//   - a phrase line "l" + NN + phrase is <p class="lNN">; its inline tags "|x>" (x a letter or
//     digit) each open a <span class="tx ..."> that holds the text up to the next tag, with
//     classes for the colour, style and font in force; text that carries a colour or style
//     over from an earlier line stands in a span without a "t" class; a reference-point tag
//     "|refptNNN>" is an empty <span class="r" id="refptNNN">; a <br/> only keeps an empty
//     line from collapsing;
//   - every other line (the banner, markers, plain lines, pictures, and phrase lines the form
//     above cannot hold exactly) carries its stored form in the attribute kLineAttribute,
//     with "%" and control characters written as "%" and two hexadecimal digits, beside what
//     the page shows of it.
// Paragraphs stand in <div class="s0"> or <div class="s1">, the shade the page gives them.
#include <string>
#include <string_view>

namespace qm::import::markup {

inline constexpr std::string_view kMarkPrefix = "quillmar: urn:x-quillmar:layout#";
inline constexpr std::string_view kLayoutProperty = "quillmar:layout-version";
inline constexpr std::string_view kLineAttribute = "data-line";
inline constexpr std::string_view kReferenceClass = "r";

// A stored line as the attribute holds it, and back. decodeLine leaves a "%" that is not
// followed by two hexadecimal digits as it stands.
std::string encodeLine(std::string_view utf8Line);
std::string decodeLine(std::string_view attribute);

} // namespace qm::import::markup
