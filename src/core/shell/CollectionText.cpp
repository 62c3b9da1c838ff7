#include "core/shell/CollectionText.h"

#include "core/catalogue/Catalogue.h"
#include "core/text/OpenedText.h"

namespace qm {

Lines openedTextLines(FileSystem& fs, const std::string& textPath,
                      cascade::SentenceParser* parser) {
    return openedTextLines(fs, textPath, collectionExtensionOf(fs, textPath), parser);
}

} // namespace qm
