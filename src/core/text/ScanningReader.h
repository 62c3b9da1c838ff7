#pragma once

#include "core/encoding/Utf8.h"
#include "core/port/FileSystem.h"

#include <memory>

namespace qm {

// A reader whose every piece read also goes through a UTF-8 scan, so a stored text's encoding
// is told in the same pass that reads it.
class ScanningReader final : public FileReader {
public:
    ScanningReader(std::unique_ptr<FileReader> inner, encoding::Utf8Scan& scan)
        : m_inner(std::move(inner))
        , m_scan(scan) {}
    std::optional<std::size_t> read(char* data, std::size_t size) override {
        const std::optional<std::size_t> got = m_inner->read(data, size);
        if (got) m_scan.feed(std::string_view(data, *got));
        return got;
    }

private:
    std::unique_ptr<FileReader> m_inner;
    encoding::Utf8Scan& m_scan;
};

} // namespace qm
