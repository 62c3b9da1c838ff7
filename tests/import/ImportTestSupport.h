#pragma once
// What the book readers' tests share: the EPUB and zip builders (testing/EpubFiles.h), the
// message of an error, the shared corpus when it is there, and documents as comparable lists.
#include "core/base/Error.h"
#include "core/cascade/Document.h"
#include "core/testing/EpubFiles.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

// The message of the UserError the call throws, or "no error".
template <class Call> std::string userErrorOf(Call call) {
    try {
        call();
    } catch (const qm::UserError& e) {
        return e.what();
    }
    return "no error";
}

#ifdef QM_SHARED_DIR
// A file of the shared corpus, or nothing when it is absent.
inline std::optional<std::string> corpusFile(const std::string& name) {
    std::ifstream in(std::string(QM_SHARED_DIR) + "/corpus/" + name, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
}
#endif

inline std::vector<std::string> chapterTitles(const qm::cascade::Document& doc) {
    std::vector<std::string> titles;
    for (const auto& c : doc.chapters)
        titles.push_back(c.title);
    return titles;
}

// The blocks as "H2:text", "P:text", "V:text", "S:", "I:text", "E:text", for comparing whole
// documents.
inline std::vector<std::string> blockList(const qm::cascade::Document& doc) {
    std::vector<std::string> out;
    for (const auto& b : doc.blocks) {
        switch (b.kind) {
        case qm::cascade::BlockKind::Heading:
            out.push_back("H" + std::to_string(b.level) + ":" + std::string(b.text));
            break;
        case qm::cascade::BlockKind::Paragraph:
            out.push_back("P:" + std::string(b.text));
            break;
        case qm::cascade::BlockKind::Verbatim:
            out.push_back("V:" + std::string(b.text));
            break;
        case qm::cascade::BlockKind::SceneBreak:
            out.push_back("S:");
            break;
        case qm::cascade::BlockKind::Image:
            out.push_back("I:" + std::string(b.text));
            break;
        case qm::cascade::BlockKind::Entry:
            out.push_back("E:" + std::string(b.text));
            break;
        }
    }
    return out;
}

} // namespace qmtest
