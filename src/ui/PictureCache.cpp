#include "ui/PictureCache.h"

#include <QImageReader>

namespace qm {
namespace {

// Decoding stops short of this many megabytes for one picture, whatever the file claims.
constexpr int kAllocationLimitMb = 256;

void limitAllocation() {
    static const bool limited = [] {
        QImageReader::setAllocationLimit(kAllocationLimitMb);
        return true;
    }();
    (void)limited;
}

bool acceptable(QSize size) {
    return size.isValid() && !size.isEmpty() &&
           static_cast<qint64>(size.width()) * size.height() <= PictureCache::kMostPixels;
}

} // namespace

PictureCache::Entry* PictureCache::find(const std::string& path, QSize size) {
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->path != path || it->size != size) continue;
        m_entries.splice(m_entries.begin(), m_entries, it);
        return &m_entries.front();
    }
    return nullptr;
}

void PictureCache::add(Entry entry) {
    m_entries.push_front(std::move(entry));
    if (m_entries.size() > kMostKept) m_entries.pop_back();
}

std::optional<QSize> PictureCache::sizeOf(const std::string& path) {
    if (const Entry* e = find(path, QSize())) {
        if (acceptable(e->fileSize)) return e->fileSize;
        return std::nullopt;
    }
    limitAllocation();
    QImageReader reader(QString::fromStdString(path));
    QSize size = reader.canRead() ? reader.size() : QSize();
    add({path, QSize(), size, QImage()});
    if (!acceptable(size)) return std::nullopt;
    return size;
}

QImage PictureCache::scaled(const std::string& path, QSize size) {
    if (!size.isValid() || size.isEmpty()) return {};
    if (const Entry* e = find(path, size)) return e->image;
    QImage image;
    if (sizeOf(path)) {
        QImageReader reader(QString::fromStdString(path));
        reader.setScaledSize(size);
        image = reader.read();
        if (!image.isNull() && image.size() != size)
            image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    add({path, size, QSize(), image});
    return image;
}

} // namespace qm
