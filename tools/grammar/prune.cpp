// Leaves the small weights out of a grammar model, to choose how far training should prune:
//   grammar_prune <model file> <pruned model file> <tagger> <moves> <relations>
// Each threshold is in the units of the averaged weights; a weight smaller in magnitude goes,
// and a feature with no weight left goes with it.
#include "WriteFile.h"
#include "core/grammar/Grammar.h"
#include "core/port/FileSystem.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

using namespace qm::grammar;

std::vector<WeightRow> pruneRows(std::vector<WeightRow> rows, float scale, float threshold,
                                 bool wholeRows) {
    std::vector<WeightRow> kept;
    for (WeightRow& r : rows) {
        bool any = false;
        for (const RowEntry& e : r.entries)
            any |= std::abs(e.weight * scale) >= threshold;
        if (!any) continue;
        if (!wholeRows)
            std::erase_if(r.entries, [&](const RowEntry& e) {
                return std::abs(e.weight * scale) < threshold;
            });
        kept.push_back(std::move(r));
    }
    return kept;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: grammar_prune <model> <pruned model> <tagger> <moves> "
                             "<relations>\n");
        return 2;
    }
    try {
        const auto g = Grammar::load(*qm::makeRealFileSystem(), argv[1]);
        const float tagging = std::strtof(argv[3], nullptr);
        const float moving = std::strtof(argv[4], nullptr);
        const float labelling = std::strtof(argv[5], nullptr);
        const WeightTable& tw = g->tagger().weights();
        const InlineTable& mw = g->parser().moves();
        const WeightTable& lw = g->parser().labels();
        Tagger tagger(
            WeightTable(tw.classes(), tw.scale(), pruneRows(tw.rows(), tw.scale(), tagging, false)),
            g->tagger().lexicon());
        Parser parser(
            InlineTable(mw.classes(), mw.scale(), pruneRows(mw.rows(), mw.scale(), moving, true)),
            WeightTable(lw.classes(), lw.scale(),
                        pruneRows(lw.rows(), lw.scale(), labelling, false)));
        const Grammar pruned(std::move(tagger), std::move(parser), g->fineTagger());
        const std::string bytes = pruned.toBytes();
        qm::grammar::tools::writeFileSafely(argv[2], bytes);
        std::printf("%zu bytes; features: tagger %zu, moves %zu, relations %zu\n", bytes.size(),
                    pruned.tagger().weights().featureCount(),
                    pruned.parser().moves().featureCount(),
                    pruned.parser().labels().featureCount());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "grammar_prune: %s\n", e.what());
        return 1;
    }
    return 0;
}
