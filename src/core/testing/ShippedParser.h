#pragma once
// The grammar model the program ships (data/grammar/ in the source tree), for tests,
// benchmarks and fuzz targets that cascade as the program does.
namespace qm {

namespace cascade {
class SentenceParser;
}

// The shipped model's parser, read once per process through the real file system; nullptr
// when the model is missing or cannot be read (a cascade then takes the lexicon rules, as the
// program does without its model, and a test that needs the parse skips).
cascade::SentenceParser* shippedParser();

} // namespace qm
