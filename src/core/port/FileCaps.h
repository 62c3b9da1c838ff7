#pragma once
// The largest file of each kind the reader reads. Every read through the file-system port
// names its cap; a file larger than it is refused before a byte is read (and one that grows
// past it while being read is refused then), with a message naming the file and the cap. Each
// cap stands well above what such a file holds, and well below what would exhaust memory.
#include "core/base/Error.h"

#include <cstdint>
#include <string>

namespace qm {

struct FileCap {
    std::uint64_t bytes;
    const char* kind; // completes "more than ... needs"
};

inline constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;

// A dozen keys and whatever lines the user added by hand.
inline constexpr FileCap kSettingsFileCap{1 * kMegabyte, "a settings file"};
// A section per book and its marks; a heavy reader's file after years is a few megabytes.
inline constexpr FileCap kBookmarkFileCap{64 * kMegabyte, "a bookmark file"};
// A line per entry: a million entries fit many times over.
inline constexpr FileCap kCatalogueFileCap{64 * kMegabyte, "a catalogue"};
// A line per word with its references: the index of the largest book is a few tens of MB.
inline constexpr FileCap kIndexFileCap{256 * kMegabyte, "a word index"};
// A book as it is handed to the readers and the cascader (plain prose named ".txt" too).
inline constexpr FileCap kBookFileCap{256 * kMegabyte, "any book"};
// A stored text: the stored form of the largest book, with its levels and tags.
inline constexpr FileCap kStoredTextCap{512 * kMegabyte, "a stored text"};
// A stored book's few lines of facts.
inline constexpr FileCap kManifestCap{1 * kMegabyte, "a book's manifest"};
// The grammar's weights; the trained models are under 10 MB.
inline constexpr FileCap kGrammarModelCap{256 * kMegabyte, "a grammar model"};
// The cap of a read that names none: the largest of the above.
inline constexpr FileCap kAnyFileCap{kStoredTextCap.bytes, "any file of the reader's"};

// "Cannot read PATH: the file is larger than 1 MB, more than a settings file needs."
std::string fileTooLargeMessage(const std::string& path, const FileCap& cap);

class FileTooLarge : public UserError {
public:
    FileTooLarge(const std::string& path, const FileCap& cap)
        : UserError(fileTooLargeMessage(path, cap)) {}
};

} // namespace qm
