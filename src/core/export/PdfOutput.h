#pragma once
// The bytes of a PDF as its page document writes them: every piece goes on to the file at
// once, and only the PDF's structure is kept (its objects less the data of their streams,
// which hold the pages' drawing and the embedded fonts), which is all that adding the
// contents' links reads back. A book's PDF is thus never held whole in memory.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::exporting {

class PdfOutput {
public:
    using Sink = std::function<void(std::string_view bytes)>;
    // An exception `sink` throws comes out of write().
    explicit PdfOutput(Sink sink)
        : m_sink(std::move(sink)) {}

    void write(std::string_view bytes);
    // The bytes written so far.
    std::size_t size() const { return m_size; }
    // What is kept: the file with the data between each "stream" line and its "endstream"
    // left out.
    const std::string& kept() const { return m_kept; }
    // Where the file's byte at `offset` stands in kept(); npos for a byte of a stream's data
    // or one not written yet.
    std::size_t keptOffset(std::size_t offset) const;

private:
    void keep(std::string_view bytes);
    void skip(std::string_view bytes);

    struct Run {
        std::size_t file = 0; // where a run of kept bytes starts in the file
        std::size_t kept = 0; // and in m_kept
    };
    Sink m_sink;
    std::size_t m_size = 0;
    std::string m_kept;
    std::vector<Run> m_runs{Run{}};
    bool m_inStream = false;
    std::string m_tail; // a stream's last bytes seen, for an "endstream" split between pieces
};

} // namespace qm::exporting
