#pragma once
// The embedded book: the stored lines of the collection's built-in book, generated at build
// time from book/qdemo.tvt and linked from the qmbook library.
#include <span>

namespace qm {
std::span<const char* const> embeddedBookLines();
}
