#pragma once
// The bytes of a PDF as its page document writes them: every piece goes on to the file at
// once, and only the PDF's structure is kept, which is all that adding the contents' links
// reads back: the catalogue, the pages' tree, the lists of annotations, the cross-reference
// sections and trailers. Every other object keeps only its first and last line, and a
// stream's data (the pages' drawing, the embedded fonts) is never kept. A book's PDF is thus
// never held whole in memory.
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
    // What is kept: the file with the bodies of the objects outside the structure and the
    // data between each "stream" line and its "endstream" left out.
    const std::string& kept() const { return m_kept; }
    // Where the file's byte at `offset` stands in kept(); npos for a byte left out or one not
    // written yet.
    std::size_t keptOffset(std::size_t offset) const;

private:
    void keep(std::string_view bytes);
    void skip(std::string_view bytes);
    // After a line kept: an object's first line noted, a body outside the structure dropped
    // at its last.
    void lineKept(std::size_t start);

    struct Run {
        std::size_t file = 0; // where a run of kept bytes starts in the file
        std::size_t kept = 0; // and in m_kept
    };
    Sink m_sink;
    std::size_t m_size = 0;
    std::string m_kept;
    std::vector<Run> m_runs{Run{}};
    bool m_inStream = false;
    std::size_t m_bodyStart = std::string::npos; // in m_kept, of the object being written
    std::string m_tail; // a stream's last bytes seen, for an "endstream" split between pieces
};

} // namespace qm::exporting
