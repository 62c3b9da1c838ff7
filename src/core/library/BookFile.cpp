#include "core/library/BookFile.h"

#include "core/base/Error.h"
#include "core/base/Paths.h"
#include "core/import/BookReader.h"
#include "core/text/BuiltInTexts.h"
#include "core/text/LineFormat.h"

namespace qm::library {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;
static_assert(kBookFileCap.bytes == import::kMaxBookFileBytes,
              "a book file is refused at one size, whether opened or read");

// The file's bytes, read in pieces so that a file larger than any book is refused before it
// is held whole.
std::string readBookBytes(const FileSystem& fs, const std::string& path) {
    std::unique_ptr<FileReader> reader = fs.openFile(path, kBookFileCap);
    if (!reader) throw UserError("Cannot open file " + path);
    std::string bytes;
    std::string piece(kPiece, '\0');
    for (;;) {
        const std::optional<std::size_t> got = reader->read(piece.data(), piece.size());
        if (!got) throw UserError("Cannot open file " + path);
        if (*got == 0) break;
        if (bytes.size() + *got > import::kMaxBookFileBytes)
            throw UserError("Cannot open " + fileNameOf(path) + ": the file is larger than " +
                            std::to_string(import::kMaxBookFileBytes >> 20) +
                            " MB, more than any book needs.");
        bytes.append(piece.data(), *got);
    }
    return bytes;
}

// How much of a file tells whether it is a stored text.
constexpr std::size_t kStoredTextHead = std::size_t{64} << 10;

} // namespace

bool opensAsBook(const FileSystem& fs, const std::string& path) {
    if (import::isBookFileName(path)) return true;
    if (isCollectionFile(path) || hasSuffixIgnoringCase(path, ".tvt") ||
        builtInSourceFor(textKeyOf(path)) != BuiltInSource::None)
        return false;
    std::unique_ptr<FileReader> reader;
    try {
        reader = fs.openFile(path);
    } catch (const FileTooLarge&) {
        return false; // too large for any book: opening it as a stored text says so
    }
    if (!reader) return false;
    std::string head(kStoredTextHead, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const std::optional<std::size_t> n = reader->read(head.data() + got, head.size() - got);
        if (!n) return false;
        if (*n == 0) break;
        got += *n;
    }
    const bool whole = got < head.size();
    head.resize(got);
    return !readsAsStoredText(head, whole);
}

Book openBookFile(FileSystem& fs, const std::string& dataFolder, const std::string& path,
                  cascade::SentenceParser* parser, const Progress& progress) {
    const std::string bytes = readBookBytes(fs, path);
    return Library::withBookReaders(fs, dataFolder, parser).open(path, bytes, progress);
}

Relaid relayBookFile(FileSystem& fs, const std::string& dataFolder, const std::string& key,
                     const std::string& path, const std::string& bookmarkFile,
                     cascade::SentenceParser* parser, const Progress& progress) {
    const std::string bytes = readBookBytes(fs, path);
    return Library::withBookReaders(fs, dataFolder, parser)
        .layOutAgain(key, bytes, bookmarkFile, progress);
}

} // namespace qm::library
