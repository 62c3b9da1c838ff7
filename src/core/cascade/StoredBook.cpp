#include "core/cascade/StoredBook.h"

#include "core/cascade/Cascader.h"

namespace qm {

Lines makeStoredBook(const std::vector<std::string>& stories, cascade::SentenceParser* parser) {
    Cascader cascader(parser, std::string(kStoredBookBanner));
    for (const std::string& story : stories)
        cascader.addStory(story);
    return cascader.finish();
}

} // namespace qm
