// The weight tables, the lexicon and the perceptron that fills them: what goes in comes out,
// bytes that break a table's rules are refused, and learning separates what it is shown.
#include "core/grammar/InlineTable.h"
#include "core/grammar/Perceptron.h"
#include "core/grammar/Tagger.h"
#include "core/grammar/WeightTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qm::grammar {
namespace {

// Rows whose entries each class has one chance in `oneIn` to get (1: every class).
std::vector<WeightRow> randomRows(std::size_t count, std::uint32_t classes, std::uint32_t oneIn,
                                  std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<WeightRow> rows;
    std::uint32_t key = 0;
    for (std::size_t i = 0; i < count; ++i) {
        key += 1 + rng() % 5000;
        WeightRow r{key, {}};
        for (std::uint32_t c = 0; c < classes; ++c)
            if (rng() % oneIn == 0)
                r.entries.push_back(
                    RowEntry{static_cast<std::uint8_t>(c),
                             static_cast<std::int16_t>(static_cast<int>(rng() % 2001) - 1000)});
        if (r.entries.empty()) r.entries.push_back(RowEntry{0, 7});
        rows.push_back(std::move(r));
    }
    return rows;
}

// What the rows say the scores of these keys are.
std::vector<std::int32_t> expectedScores(const std::vector<WeightRow>& rows,
                                         const std::vector<std::uint32_t>& keys,
                                         std::uint32_t classes) {
    std::vector<std::int32_t> s(classes, 0);
    for (std::uint32_t k : keys)
        for (const WeightRow& r : rows)
            if (r.key == k)
                for (const RowEntry& e : r.entries)
                    s[e.cls] += e.weight;
    return s;
}

TEST(WeightTables, ScoreWhatTheirRowsSayAndSurviveWriting) {
    // Sparse rows of one to a dozen entries: both those kept in their slot and longer ones.
    const auto sparse = randomRows(3000, 55, 15, 1);
    const auto dense = randomRows(3000, 3, 1, 2);
    const WeightTable labels(55, 0.5F, sparse);
    const InlineTable moves(3, 0.25F, dense);
    EXPECT_EQ(labels.featureCount(), sparse.size());
    EXPECT_EQ(labels.rows().size(), sparse.size());
    EXPECT_EQ(moves.rows().size(), dense.size());
    std::mt19937 rng(9);
    for (int round = 0; round < 50; ++round) {
        // Keys of the table, repeated ones and absent ones, more than one batch's worth.
        std::vector<std::uint32_t> keys;
        for (int i = 0; i < 150; ++i) {
            keys.push_back(i % 4 == 3 ? 0x7FFFFFFFU - static_cast<std::uint32_t>(rng() % 999)
                                      : sparse[rng() % sparse.size()].key);
        }
        std::vector<std::int32_t> got(55, 0);
        labels.addAll(keys.data(), keys.size(), got.data());
        EXPECT_EQ(got, expectedScores(sparse, keys, 55));
        for (std::uint32_t& k : keys)
            if (k < 0x7FFF0000U) k = dense[rng() % dense.size()].key;
        std::vector<std::int32_t> gotMoves(3, 0);
        moves.addAll(keys.data(), keys.size(), gotMoves.data());
        // Fingerprint clashes may merge rows; with these few keys none is expected.
        EXPECT_EQ(gotMoves, expectedScores(dense, keys, 3));
        std::vector<std::int32_t> each(keys.size() * InlineTable::kMaxClasses, -1);
        moves.weightsOf(keys.data(), keys.size(), each.data());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::vector<std::int32_t> one(each.begin() + static_cast<long>(3 * i),
                                                each.begin() + static_cast<long>(3 * i + 3));
            EXPECT_EQ(one, expectedScores(dense, {keys[i]}, 3)) << "key " << i;
        }
    }
    ByteWriter out;
    labels.write(out);
    moves.write(out);
    ByteReader in(out.data());
    const WeightTable labelsAgain = WeightTable::read(in);
    const InlineTable movesAgain = InlineTable::read(in);
    EXPECT_EQ(in.left(), 0U);
    ByteWriter again;
    labelsAgain.write(again);
    movesAgain.write(again);
    EXPECT_EQ(again.data(), out.data());
}

// Rows are kept in the slot, as a run or dense; whichever way a row is kept, including rows
// whose entries come out of class order or name a class twice, it scores and writes back as
// given.
TEST(WeightTables, RowsOfEveryShapeScoreAndWriteBackAsGiven) {
    std::vector<WeightRow> rows;
    std::uint32_t key = 100;
    const std::vector<std::vector<RowEntry>> shapes = {
        {{3, 5}},                                                   // in the slot
        {{16, -2}, {0, 9}},                                         // in the slot, out of order
        {{1, 1}, {2, 2}, {3, 3}, {4, 4}},                           // a run
        {{0, 7}, {1, -7}, {2, 3}, {5, 1}, {8, 2}, {9, 9}, {16, 4}}, // dense
        {{9, 1}, {8, 2}, {7, 3}, {6, 4}, {5, 5}, {4, 6}, {3, 7}},   // out of order: a run
        {{2, 4}, {2, 6}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}},   // a class twice
    };
    for (const auto& entries : shapes)
        rows.push_back(WeightRow{key += 17, entries});
    const WeightTable table(17, 1.0F, rows);
    for (const WeightRow& r : rows) {
        std::vector<std::int32_t> got(17, 0);
        table.addAll(&r.key, 1, got.data());
        EXPECT_EQ(got, expectedScores(rows, {r.key}, 17)) << "row " << r.key;
    }
    const std::vector<WeightRow> back = table.rows();
    ASSERT_EQ(back.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(back[i].entries.size(), rows[i].entries.size()) << "row " << i;
        for (std::size_t k = 0; k < rows[i].entries.size(); ++k) {
            EXPECT_EQ(back[i].entries[k].cls, rows[i].entries[k].cls) << "row " << i;
            EXPECT_EQ(back[i].entries[k].weight, rows[i].entries[k].weight) << "row " << i;
        }
    }
}

TEST(WeightTables, RefuseRowsThatBreakTheirRules) {
    const std::vector<WeightRow> outOfRange = {{5, {{60, 1}}}};
    const std::vector<WeightRow> twice = {{5, {{1, 1}}}, {5, {{2, 1}}}};
    const std::vector<WeightRow> zeroKey = {{0, {{1, 1}}}};
    EXPECT_THROW(WeightTable(55, 1.0F, outOfRange), ModelError);
    EXPECT_THROW(WeightTable(55, 1.0F, twice), ModelError);
    EXPECT_THROW(WeightTable(55, 1.0F, zeroKey), ModelError);
    EXPECT_THROW(WeightTable(0, 1.0F, {}), ModelError);
    EXPECT_THROW(InlineTable(3, 1.0F, {{5, {{3, 1}}}}), ModelError);
    EXPECT_THROW(InlineTable(3, 1.0F, twice), ModelError);
    EXPECT_THROW(InlineTable(4, 1.0F, {}), ModelError);

    // Written tables with one field made wrong.
    const std::function<void(ByteWriter&)> broken[] = {
        [](ByteWriter& w) { w.u32(0); },                               // no classes
        [](ByteWriter& w) { w.u32(300); },                             // too many classes
        [](ByteWriter& w) { w.u32(55), w.f32(-1.0F); },                // bad scale
        [](ByteWriter& w) { w.u32(55), w.f32(1.0F), w.u32(1000000); }, // rows missing
        [](ByteWriter& w) { w.u32(55), w.f32(1.0F), w.u32(1), w.u32(9), w.u8(0); }, // empty row
        [](ByteWriter& w) {
            w.u32(55), w.f32(1.0F), w.u32(2);
            w.u32(9), w.u8(1), w.u8(0), w.u16(1);
            w.u32(8), w.u8(1), w.u8(0), w.u16(1); // keys out of order
        },
    };
    for (const auto& write : broken) {
        ByteWriter w;
        write(w);
        ByteReader in(w.data());
        EXPECT_THROW(WeightTable::read(in), ModelError);
    }
}

TEST(LexiconTable, FindsWhatItHoldsAndRefusesBadTags) {
    std::vector<std::pair<std::uint32_t, Lexicon::Entry>> entries;
    for (std::uint32_t k = 1; k <= 500; ++k)
        entries.push_back(
            {k * 7919, Lexicon::Entry{k & 0x1FFFF, k % 3 ? -1 : static_cast<int>(k % 17)}});
    const Lexicon lexicon(entries);
    for (const auto& [key, e] : entries) {
        const Lexicon::Entry found = lexicon.find(key);
        EXPECT_EQ(found.tags, e.tags);
        EXPECT_EQ(found.only, e.only);
    }
    EXPECT_EQ(lexicon.find(3).only, -1);
    EXPECT_EQ(lexicon.find(3).tags, 0U);
    ByteWriter w;
    lexicon.write(w);
    ByteReader in(w.data());
    ByteWriter again;
    Lexicon::read(in).write(again);
    EXPECT_EQ(again.data(), w.data());
    EXPECT_THROW(Lexicon({{5, Lexicon::Entry{1U << 20, -1}}}), ModelError);
    EXPECT_THROW(Lexicon({{5, Lexicon::Entry{1, 17}}}), ModelError);
    EXPECT_THROW(Lexicon({{5, Lexicon::Entry{1, -1}}, {5, Lexicon::Entry{2, -1}}}), ModelError);
}

TEST(PerceptronLearning, SeparatesWhatItIsShownAndAveragesItsWeights) {
    // Three classes, each announced by its own feature among noise features.
    for (const std::uint32_t classes : {3U, 40U}) {
        Perceptron p(classes);
        std::mt19937 rng(4);
        std::vector<float> scores(classes);
        for (int i = 0; i < 3000; ++i) {
            const auto truth = static_cast<std::uint32_t>(rng() % classes);
            const std::uint32_t features[] = {100 + truth,
                                              1000 + static_cast<std::uint32_t>(rng() % 50), 7};
            p.score(features, 3, scores.data());
            const auto guess = static_cast<std::uint32_t>(
                std::max_element(scores.begin(), scores.end()) - scores.begin());
            p.update(features, 3, truth, guess);
            p.tick();
        }
        const WeightTable t = p.average(0.0F);
        for (std::uint32_t c = 0; c < classes; ++c) {
            const std::uint32_t features[] = {100 + c, 1000, 7};
            std::vector<std::int32_t> s(classes, 0);
            t.addAll(features, 3, s.data());
            EXPECT_EQ(static_cast<std::uint32_t>(std::max_element(s.begin(), s.end()) - s.begin()),
                      c)
                << classes;
        }
        // Pruning everything leaves nothing; pruning nothing keeps every announcing feature.
        EXPECT_EQ(p.average(1e9F).featureCount(), 0U);
        EXPECT_GE(t.featureCount(), classes);
    }
}

// The scores of a table in the perceptron's units, for the features given.
template <typename Table>
std::vector<double> unitScores(const Table& t, std::uint32_t classes,
                               const std::vector<std::uint32_t>& features) {
    std::vector<std::int32_t> raw(classes, 0);
    t.addAll(features.data(), features.size(), raw.data());
    std::vector<double> out;
    for (const std::int32_t r : raw)
        out.push_back(static_cast<double>(r) * t.scale());
    return out;
}

// Several perceptrons averaged into one table score as the mean of their own tables, for dense
// and sparse rows alike; members that learnt opposite things cancel out before pruning.
TEST(PerceptronLearning, MembersAveragedScoreAsTheMeanOfTheirScores) {
    struct Case {
        std::size_t members;
        std::uint32_t classes;
    };
    for (const Case c : {Case{1, 3}, Case{3, 3}, Case{2, 40}, Case{4, 40}}) {
        std::vector<Perceptron> members;
        for (std::size_t m = 0; m < c.members; ++m) {
            std::mt19937 rng(static_cast<std::uint32_t>(m + 1));
            members.emplace_back(c.classes);
            for (int i = 0; i < 400; ++i) {
                const std::uint32_t features[] = {1 + static_cast<std::uint32_t>(rng() % 20),
                                                  100 + static_cast<std::uint32_t>(rng() % 20)};
                const auto truth = static_cast<std::uint32_t>(rng() % c.classes);
                members.back().update(features, 2, truth, (truth + 1) % c.classes);
                members.back().tick();
            }
        }
        std::vector<const Perceptron*> all;
        for (const Perceptron& p : members)
            all.push_back(&p);
        const WeightTable mean = Perceptron::average(all, 0.0F);
        // Tables of few classes (the parser's moves) may also be inline.
        const bool few = c.classes <= InlineTable::kMaxClasses;
        const InlineTable inlineMean =
            few ? Perceptron::averageInline(all, 0.0F) : InlineTable(1, 1.0F, {});
        for (std::uint32_t f = 1; f <= 20; ++f) {
            const std::vector<std::uint32_t> features = {f, 100 + f % 20};
            std::vector<double> expected(c.classes, 0.0);
            double tolerance = 0;
            for (const Perceptron& p : members) {
                const WeightTable own = p.average(0.0F);
                const std::vector<double> s = unitScores(own, c.classes, features);
                for (std::uint32_t k = 0; k < c.classes; ++k)
                    expected[k] += s[k] / static_cast<double>(c.members);
                tolerance += own.scale();
            }
            tolerance += 2 * mean.scale();
            const std::vector<double> got = unitScores(mean, c.classes, features);
            const std::vector<double> gotInline =
                few ? unitScores(inlineMean, c.classes, features) : got;
            for (std::uint32_t k = 0; k < c.classes; ++k) {
                EXPECT_NEAR(got[k], expected[k], tolerance) << c.members << " " << k;
                EXPECT_NEAR(gotInline[k], expected[k], tolerance) << c.members << " " << k;
            }
        }
        // A member that learnt every update the other way round cancels the first one.
        Perceptron mirror(c.classes);
        std::mt19937 rng(1);
        for (int i = 0; i < 400; ++i) {
            const std::uint32_t features[] = {1 + static_cast<std::uint32_t>(rng() % 20),
                                              100 + static_cast<std::uint32_t>(rng() % 20)};
            const auto truth = static_cast<std::uint32_t>(rng() % c.classes);
            mirror.update(features, 2, (truth + 1) % c.classes, truth);
            mirror.tick();
        }
        EXPECT_GT(members.front().average(0.0F).featureCount(), 0U);
        EXPECT_EQ(Perceptron::average({&members.front(), &mirror}, 0.0F).featureCount(), 0U);
    }
}

} // namespace
} // namespace qm::grammar
