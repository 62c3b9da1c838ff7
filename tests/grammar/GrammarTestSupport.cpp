#include "GrammarTestSupport.h"

#include "core/port/FileSystem.h"

#include <filesystem>

namespace qm::grammar::test {

std::shared_ptr<const Grammar> committedGrammar() {
    static const std::shared_ptr<const Grammar> grammar = [] {
        const std::string path =
            std::string(QM_SOURCE_DIR "/data/grammar/") + std::string(Grammar::kModelFileName);
        return std::filesystem::exists(path) ? Grammar::load(*makeRealFileSystem(), path)
                                             : std::shared_ptr<const Grammar>();
    }();
    return grammar;
}

std::string treeProblem(const Sentence& words) {
    std::size_t roots = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t h = words[i].head;
        if (h > words.size()) return "word " + std::to_string(i + 1) + " has a head out of range";
        if (h == i + 1) return "word " + std::to_string(i + 1) + " is its own head";
        if (h == 0) {
            ++roots;
            if (words[i].rel != Rel::Root) return "a word on the root is not Root";
        } else if (words[i].rel == Rel::Root) {
            return "word " + std::to_string(i + 1) + " is Root but not on the root";
        }
    }
    if (roots != 1) return std::to_string(roots) + " words on the root";
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::uint32_t at = static_cast<std::uint32_t>(i + 1);
        for (std::size_t steps = 0; at != 0; ++steps) {
            if (steps > words.size()) return "a cycle through word " + std::to_string(i + 1);
            at = words[at - 1].head;
        }
    }
    return {};
}

} // namespace qm::grammar::test
