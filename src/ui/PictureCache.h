#pragma once
// A book's pictures read for drawing: the size from the file's header, and the picture decoded
// at the size it is drawn at (a scaled read, so a large picture is never held whole), kept for
// the last few sizes and files so that a page turn or a redraw does not decode again. A file
// larger than the caps, of a kind Qt cannot read, or broken reads as no picture.
#include <QImage>
#include <QSize>

#include <list>
#include <optional>
#include <string>

namespace qm {

class PictureCache {
public:
    // The picture's size in pixels; nothing when it cannot be read as a picture.
    std::optional<QSize> sizeOf(const std::string& path);
    // The picture decoded at this size; a null image when it cannot be.
    QImage scaled(const std::string& path, QSize size);

    // The most pixels a picture may claim (a header can claim any size).
    static constexpr qint64 kMostPixels = 40'000'000;

private:
    struct Entry {
        std::string path;
        QSize size; // invalid: only the file's size is known
        QSize fileSize;
        QImage image;
    };
    static constexpr std::size_t kMostKept = 24;
    Entry* find(const std::string& path, QSize size);
    void add(Entry entry);

    std::list<Entry> m_entries; // newest first
};

} // namespace qm
