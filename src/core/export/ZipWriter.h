#pragma once
// A zip archive made with libzip (loaded when first needed). Each entry's bytes are made by a
// function only when libzip compresses that entry and are let go once it is compressed, so an
// archive of many files never holds them all uncompressed at once; the archive, compressed in
// memory, is then handed out in pieces, never copied whole.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::exporting {

class ZipWriter {
public:
    using Maker = std::function<std::string()>;

    // Adds an entry, in order; `stored` leaves it uncompressed (an EPUB's mimetype).
    void add(std::string name, Maker make, bool stored = false);
    using Sink = std::function<void(std::string_view bytes)>;
    // Makes the archive and hands its bytes to `sink` in pieces. An exception thrown by a
    // maker stops the writing before any byte is handed out and is thrown again here, as is
    // one the sink throws; a failure of libzip throws UserError.
    void finish(const Sink& sink);
    // The archive's bytes whole.
    std::string finish();

private:
    struct Entry {
        std::string name;
        Maker make;
        bool stored = false;
    };
    std::vector<Entry> m_entries;
};

} // namespace qm::exporting
