#include "core/export/ZipWriter.h"

#include "core/base/Error.h"
#include "core/import/SharedLibraries.h"

#include <zip.h>

#include <cstring>
#include <exception>
#include <memory>

namespace qm::exporting {

namespace {

// The pieces the archive is handed out in.
constexpr std::size_t kPieceSize = std::size_t{64} << 10;

// One entry's source for libzip: made on open, handed out on read, let go on close.
struct LazySource {
    const std::function<std::string()>* make = nullptr;
    std::exception_ptr* failure = nullptr;
    std::string bytes;
    std::size_t read = 0;
    zip_error_t error{};
};

zip_int64_t lazySource(void* user, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& s = *static_cast<LazySource*>(user);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        try {
            s.bytes = (*s.make)();
        } catch (...) {
            // Nothing may pass through libzip: the exception waits for finish().
            if (!*s.failure) *s.failure = std::current_exception();
            zip_error_set(&s.error, ZIP_ER_INTERNAL, 0);
            return -1;
        }
        s.read = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t n = std::min<std::size_t>(length, s.bytes.size() - s.read);
        std::memcpy(data, s.bytes.data() + s.read, n);
        s.read += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        std::string().swap(s.bytes);
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) return -1;
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&s.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

struct SourceFree {
    void operator()(zip_source_t* s) const { zip_source_free(s); }
};

} // namespace

void ZipWriter::add(std::string name, Maker make, bool stored) {
    m_entries.push_back({std::move(name), std::move(make), stored});
}

std::string ZipWriter::finish() {
    std::string bytes;
    finish([&bytes](std::string_view piece) { bytes.append(piece); });
    return bytes;
}

void ZipWriter::finish(const Sink& sink) {
    import::requireZipLibrary();
    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFree> buffer(
        zip_source_buffer_create(nullptr, 0, 0, &error));
    zip_error_fini(&error);
    if (!buffer) throw UserError("The archive cannot be made (out of memory).");
    zip_source_keep(buffer.get()); // it outlives the archive that writes into it
    zip_error_init(&error);
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!archive) throw UserError("The archive cannot be made.");

    std::exception_ptr failure;
    std::vector<LazySource> sources(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        sources[i].make = &m_entries[i].make;
        sources[i].failure = &failure;
        zip_error_init(&sources[i].error);
        // An entry left uncompressed is small and made at once: its size known up front, it
        // needs no extra field for a size that might grow past 4 GB (an EPUB's mimetype may
        // have none).
        zip_source_t* source = nullptr;
        if (m_entries[i].stored) {
            sources[i].bytes = m_entries[i].make();
            source =
                zip_source_buffer(archive, sources[i].bytes.data(), sources[i].bytes.size(), 0);
        } else {
            source = zip_source_function(archive, lazySource, &sources[i]);
        }
        const zip_int64_t index =
            source ? zip_file_add(archive, m_entries[i].name.c_str(), source, ZIP_FL_ENC_UTF_8)
                   : -1;
        if (index < 0) {
            if (source) zip_source_free(source);
            zip_discard(archive);
            throw UserError("The archive cannot take the file " + m_entries[i].name + ".");
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 m_entries[i].stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
    }
    const bool closed = zip_close(archive) == 0;
    std::string message;
    if (!closed) {
        message = zip_error_strerror(zip_get_error(archive));
        zip_discard(archive);
    }
    for (LazySource& s : sources)
        zip_error_fini(&s.error);
    if (failure) std::rethrow_exception(failure);
    if (!closed) throw UserError("The archive cannot be written: " + message + ".");

    if (zip_source_open(buffer.get()) != 0) throw UserError("The archive cannot be read back.");
    struct Close {
        zip_source_t* source;
        ~Close() { zip_source_close(source); }
    } close{buffer.get()};
    std::string piece(kPieceSize, '\0');
    for (;;) {
        const zip_int64_t got = zip_source_read(buffer.get(), piece.data(), piece.size());
        if (got < 0) throw UserError("The archive cannot be read back.");
        if (got == 0) break;
        sink(std::string_view(piece.data(), static_cast<std::size_t>(got)));
    }
}

} // namespace qm::exporting
