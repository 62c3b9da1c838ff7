#include "core/import/BookPictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm::import {
namespace {

int byteAt(std::string_view b, std::size_t i) {
    return i < b.size() ? static_cast<unsigned char>(b[i]) : -1;
}

long bigEndian(std::string_view b, std::size_t at, int bytes) {
    long v = 0;
    for (int k = 0; k < bytes; ++k) {
        const int c = byteAt(b, at + static_cast<std::size_t>(k));
        if (c < 0) return -1;
        v = v * 256 + c;
    }
    return v;
}

// A JPEG's size is in its first start-of-frame segment (SOF0 to SOF15, the DHT, JPG and DAC
// markers aside); the segments before it are skipped by their lengths.
std::optional<PictureShape> jpegShape(std::string_view b) {
    std::size_t at = 2;
    while (at + 4 <= b.size()) {
        if (byteAt(b, at) != 0xFF) return std::nullopt;
        const int marker = byteAt(b, at + 1);
        if (marker == 0xFF) { // fill bytes
            ++at;
            continue;
        }
        const long length = bigEndian(b, at + 2, 2);
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;
        if (frame) {
            const long h = bigEndian(b, at + 5, 2);
            const long w = bigEndian(b, at + 7, 2);
            if (w <= 0 || h <= 0) return std::nullopt;
            return PictureShape{"jpg", static_cast<int>(w), static_cast<int>(h)};
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt; // image data before a frame
        at += 2 + static_cast<std::size_t>(length);
    }
    return std::nullopt;
}

} // namespace

std::optional<PictureShape> pictureShape(std::string_view b) {
    if (b.starts_with(std::string_view("\x89PNG\r\n\x1A\n", 8)) && b.size() >= 24 &&
        b.substr(12, 4) == "IHDR") {
        const long w = bigEndian(b, 16, 4);
        const long h = bigEndian(b, 20, 4);
        if (w <= 0 || h <= 0 || w > 1'000'000 || h > 1'000'000) return std::nullopt;
        return PictureShape{"png", static_cast<int>(w), static_cast<int>(h)};
    }
    if (b.starts_with("GIF87a") || b.starts_with("GIF89a")) {
        if (b.size() < 10) return std::nullopt;
        const int w = byteAt(b, 6) + 256 * byteAt(b, 7);
        const int h = byteAt(b, 8) + 256 * byteAt(b, 9);
        if (w <= 0 || h <= 0) return std::nullopt;
        return PictureShape{"gif", w, h};
    }
    if (byteAt(b, 0) == 0xFF && byteAt(b, 1) == 0xD8 && byteAt(b, 2) == 0xFF) return jpegShape(b);
    return std::nullopt;
}

int pictureRows(int width, int height, int base) {
    if (width <= 0 || height <= 0) return base;
    const double rows = std::round(base * static_cast<double>(height) / width);
    return static_cast<int>(std::clamp(rows, 4.0, 2.0 * base));
}

bool isPictureName(std::string_view name) {
    if (name.size() < 11 || !name.starts_with("img")) return false;
    std::size_t digits = 3;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    const std::string_view ext = name.substr(digits);
    return digits >= 7 && (ext == ".png" || ext == ".jpg" || ext == ".gif");
}

BookPictures::BookPictures(cascade::Document& doc, PictureFetch fetch, PictureLimits limits)
    : m_doc(doc)
    , m_fetch(std::move(fetch))
    , m_limits(limits) {}

bool BookPictures::keepAs(const std::string& place, const std::string& name) {
    if (!isPictureName(name) || m_names.count(place) ||
        m_doc.pictures.size() >= m_limits.maxCount || m_total >= m_limits.maxTotalBytes)
        return false;
    m_names[place] = name;
    const std::uint64_t room = std::min(m_limits.maxBytes, m_limits.maxTotalBytes - m_total);
    std::optional<std::string> bytes = m_fetch ? m_fetch(place, room) : std::nullopt;
    if (!bytes || bytes->size() > room) return false;
    const std::optional<PictureShape> shape = pictureShape(*bytes);
    if (!shape || !name.ends_with("." + shape->extension)) return false;
    m_total += bytes->size();
    m_doc.pictures.push_back(cascade::Picture{name, std::move(*bytes), 1});
    return true;
}

std::string BookPictures::keep(const std::string& place, int rowsBase) {
    if (const auto it = m_names.find(place); it != m_names.end()) return it->second;
    std::string& name = m_names[place];
    if (m_doc.pictures.size() >= m_limits.maxCount || m_total >= m_limits.maxTotalBytes)
        return name;
    const std::uint64_t room = std::min(m_limits.maxBytes, m_limits.maxTotalBytes - m_total);
    std::optional<std::string> bytes = m_fetch ? m_fetch(place, room) : std::nullopt;
    if (!bytes || bytes->size() > room) return name;
    const std::optional<PictureShape> shape = pictureShape(*bytes);
    if (!shape) return name;
    char buf[32];
    std::snprintf(buf, sizeof buf, "img%04zu.", m_doc.pictures.size() + 1);
    name = buf + shape->extension;
    m_total += bytes->size();
    m_doc.pictures.push_back(cascade::Picture{name, std::move(*bytes),
                                              pictureRows(shape->width, shape->height, rowsBase)});
    return name;
}

} // namespace qm::import
