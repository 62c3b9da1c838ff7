#pragma once
// The pictures a book file holds, kept as the book is read so that the library can store
// them beside the book: each one's bytes under a name of our own ("img0003.png": a number
// and the extension its bytes show, never the book's own path), with its size in pixels.
// Caps on their number, on each one's size and on their total hold however the book lies
// about itself; a picture past a cap, of a kind the page cannot draw, or whose bytes are no
// picture is not kept, and the book shows its placeholder instead.
#include "core/cascade/Document.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm::import {

struct PictureLimits {
    std::size_t maxCount = 2000;
    std::uint64_t maxBytes = 20ull << 20;       // one picture
    std::uint64_t maxTotalBytes = 200ull << 20; // all the pictures of a book
};

// What the first bytes of a picture tell: its kind (as a file extension) and its size.
struct PictureShape {
    std::string extension; // "png", "jpg" or "gif"
    int width = 0;
    int height = 0;
};

// The kind and size of a PNG, JPEG or GIF from its header; nothing for any other bytes, and
// for a picture without a size (0 wide or high).
std::optional<PictureShape> pictureShape(std::string_view bytes);

// Rows a picture of this size takes on the page: more for a tall one than a wide one, `base`
// for a square one, within [4, 2 * base].
int pictureRows(int width, int height, int base);

// Whether a file name is one this reader gives a picture ("img0001.png": "img", four or more
// digits, ".png", ".jpg" or ".gif"); such a name is safe in any folder.
bool isPictureName(std::string_view name);

// Reads the bytes a place in the book names, at most `maxBytes` of them; nothing when the
// place holds no such file, or when it holds more.
using PictureFetch =
    std::function<std::optional<std::string>(const std::string& place, std::uint64_t maxBytes)>;

class BookPictures {
public:
    BookPictures(cascade::Document& doc, PictureFetch fetch, PictureLimits limits = {});

    // The stored name of the picture at this place (a path inside the book), kept the first
    // time it is named; empty when it cannot be kept. `rowsBase` is pictureRows' base.
    std::string keep(const std::string& place, int rowsBase = kPictureRows);

    // Keeps the picture at this place under the name a laid-out text already gives it, when
    // that is a picture name whose extension its bytes bear out; false when not kept.
    bool keepAs(const std::string& place, const std::string& name);

    static constexpr int kPictureRows = 14;
    static constexpr int kCoverRows = 20;

private:
    cascade::Document& m_doc;
    PictureFetch m_fetch;
    PictureLimits m_limits;
    std::uint64_t m_total = 0;
    std::unordered_map<std::string, std::string> m_names; // place to stored name ("": refused)
};

} // namespace qm::import
