#pragma once
// A zip archive written in memory with libzip (loaded when first needed). Each entry's bytes
// are made by a function only when libzip compresses that entry and are let go once it is
// compressed, so an archive of many files never holds them all uncompressed at once.
#include <functional>
#include <string>
#include <vector>

namespace qm::exporting {

class ZipWriter {
public:
    using Maker = std::function<std::string()>;

    // Adds an entry, in order; `stored` leaves it uncompressed (an EPUB's mimetype).
    void add(std::string name, Maker make, bool stored = false);
    // The archive's bytes. An exception thrown by a maker stops the writing and is thrown
    // again here; a failure of libzip throws UserError.
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
