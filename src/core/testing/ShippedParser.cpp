#include "core/testing/ShippedParser.h"

#include "core/cascade/GrammarParser.h"
#include "core/port/FileSystem.h"

namespace qm {

cascade::SentenceParser* shippedParser() {
    static const std::unique_ptr<FileSystem> fs = makeRealFileSystem();
    static cascade::ModelParser parser(*fs, QM_SHIPPED_MODEL);
    return parser.load() ? &parser : nullptr;
}

} // namespace qm
