#include "core/import/ZipArchive.h"

#include "core/base/Error.h"
#include "core/import/SharedLibraries.h"

#include <zip.h>

#include <algorithm>

namespace qm::import {
namespace {

std::string megabytes(std::uint64_t bytes) {
    return std::to_string(bytes >> 20) + " MB";
}

} // namespace

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false; // a drive letter
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

ZipArchive::ZipArchive(std::string_view bytes, ZipLimits limits)
    : m_limits(limits) {
    requireZipLibrary();
    zip_error_t error;
    zip_error_init(&error);
    // libzip takes no bytes at all for an empty archive; a book file is never that.
    zip_source_t* source =
        bytes.empty() ? nullptr : zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip) zip_source_free(source);
    }
    zip_error_fini(&error);
    if (!m_zip)
        throw UserError("it is not a readable zip archive (the file is damaged or is no EPUB).");
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > m_limits.maxEntries) {
        zip_discard(m_zip);
        throw UserError("its archive holds more than " + std::to_string(m_limits.maxEntries) +
                        " files, more than any book needs.");
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(m_zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!name || !isSafeEntryName(name)) {
            const std::string shown = name ? name : "";
            zip_discard(m_zip);
            throw UserError("its archive holds a file named \"" + shown +
                            "\", which points outside the book; the file is unsafe.");
        }
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip) zip_discard(m_zip);
}

long long ZipArchive::indexOf(std::string_view name) const {
    const std::string n(name);
    zip_int64_t i = zip_name_locate(m_zip, n.c_str(), ZIP_FL_ENC_RAW);
    // Names in package documents sometimes differ from the archive's in case only.
    if (i < 0) i = zip_name_locate(m_zip, n.c_str(), ZIP_FL_ENC_RAW | ZIP_FL_NOCASE);
    return i;
}

bool ZipArchive::contains(std::string_view name) const {
    return indexOf(name) >= 0;
}

std::optional<std::string> ZipArchive::readAtMost(std::string_view name, std::uint64_t maxBytes) {
    if (indexOf(name) < 0) return std::nullopt;
    try {
        return read(name, maxBytes);
    } catch (const UserError&) {
        return std::nullopt;
    }
}

std::string ZipArchive::read(std::string_view name) {
    return read(name, m_limits.maxEntryBytes);
}

std::string ZipArchive::read(std::string_view name, std::uint64_t maxEntryBytes) {
    maxEntryBytes = std::min(maxEntryBytes, m_limits.maxEntryBytes);
    const long long index = indexOf(name);
    const std::string shown(name);
    if (index < 0) throw UserError("the file \"" + shown + "\" it names is missing from it.");
    const auto i = static_cast<zip_uint64_t>(index);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, i, 0, &st) == 0 && (st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
        st.encryption_method != ZIP_EM_NONE)
        throw UserError("its file \"" + shown + "\" is encrypted.");
    zip_file_t* file = zip_fopen_index(m_zip, i, 0);
    if (!file)
        throw UserError("its file \"" + shown + "\" cannot be read (the archive is damaged).");
    std::string out;
    // The directory's size only sizes the first allocation; the limits count what inflates.
    if (st.valid & ZIP_STAT_SIZE)
        out.reserve(std::min<std::uint64_t>(st.size, maxEntryBytes));
    char buffer[64 * 1024];
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            zip_fclose(file);
            throw UserError("its file \"" + shown + "\" cannot be read (the archive is damaged).");
        }
        if (n == 0) break;
        const auto got = static_cast<std::uint64_t>(n);
        if (out.size() + got > maxEntryBytes || m_totalRead + got > m_limits.maxTotalBytes) {
            zip_fclose(file);
            throw UserError("its archive expands beyond " +
                            megabytes(out.size() + got > maxEntryBytes
                                          ? maxEntryBytes
                                          : m_limits.maxTotalBytes) +
                            ", more than any book needs (a zip bomb?).");
        }
        m_totalRead += got;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    zip_fclose(file);
    return out;
}

} // namespace qm::import
