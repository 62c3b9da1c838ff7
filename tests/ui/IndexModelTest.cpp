// The index tree's model over the session's node list: checked by Qt's model tester, and the
// shape, texts and node numbers it reports.
#include "ui/IndexModel.h"
#include "UiSupport.h"

#include <QAbstractItemModelTester>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

using qm::IndexModel;
using qm::IndexNode;

std::vector<IndexNode> sampleIndex() {
    // Index > a > alpha > 12, 340 ; a > apple > 7 ; b > bright > 99 ; a stray node whose
    // parent comes after it, shown at the top level.
    return {{"Index", 0, -1}, {"a", 1, 0},     {"alpha", 2, 1},  {"  12", 3, 2},
            {"  340", 3, 2},  {"apple", 2, 1}, {"  7", 3, 5},    {"b", 1, 0},
            {"bright", 2, 7}, {"  99", 3, 8},  {"stray", 2, 12}, {"\x93quoted\x94", 2, 7}};
}

class IndexModelTest : public ::testing::Test {
protected:
    void SetUp() override { uitest::ensureApplication(); }
};

TEST_F(IndexModelTest, PassesTheModelTesterAndMirrorsTheNodeList) {
    std::vector<IndexNode> nodes = sampleIndex();
    IndexModel model(nodes);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    ASSERT_EQ(model.rowCount(), 2); // the root and the stray node
    const QModelIndex root = model.index(0, 0);
    EXPECT_EQ(model.data(root).toString(), "Index");
    ASSERT_EQ(model.rowCount(root), 2);
    const QModelIndex a = model.index(0, 0, root);
    const QModelIndex b = model.index(1, 0, root);
    EXPECT_EQ(model.data(a).toString(), "a");
    EXPECT_EQ(model.rowCount(a), 2);
    EXPECT_EQ(model.rowCount(b), 2);
    EXPECT_EQ(model.data(model.index(1, 0, b)).toString(), QString::fromUtf8("\u201Cquoted\u201D"));

    // Every node maps to an index and back, with its parent's index as parent.
    for (int n = 0; n < static_cast<int>(nodes.size()); ++n) {
        const QModelIndex index = model.indexOfNode(n);
        ASSERT_TRUE(index.isValid()) << n;
        EXPECT_EQ(model.nodeOf(index), n);
        const int parent = nodes[static_cast<std::size_t>(n)].parent;
        if (parent >= 0 && parent < n)
            EXPECT_EQ(model.nodeOf(model.parent(index)), parent) << n;
        else
            EXPECT_FALSE(model.parent(index).isValid()) << n;
    }

    // The session empties its list and tells the window: the model empties too.
    nodes.clear();
    model.reload();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.indexOfNode(0).isValid());
}

TEST_F(IndexModelTest, MixedIdsAreDistinctAndInvertible) {
    // Neighbouring node numbers land far apart, so Qt's plain additive hash spreads them.
    for (quint64 n = 0; n < 100; ++n) {
        const quintptr a = IndexModel::mixId(n), b = IndexModel::mixId(n + 1);
        EXPECT_GT(a > b ? a - b : b - a, quintptr{1} << 20) << n;
    }
    for (quint64 n : {0ULL, 1ULL, 77ULL, 123456789ULL})
        EXPECT_EQ(IndexModel::unmixId(IndexModel::mixId(n)), n);
}

TEST_F(IndexModelTest, ALargeIndexExpandsAndCollapsesWhole) {
    // One root, 26 letters, 2,000 words each with 5 references: 312,000 rows.
    std::vector<IndexNode> nodes{{"Index", 0, -1}};
    for (int letter = 0; letter < 26; ++letter) {
        const int l = static_cast<int>(nodes.size());
        nodes.push_back({std::string(1, static_cast<char>('a' + letter)), 1, 0});
        for (int w = 0; w < 2000; ++w) {
            const int word = static_cast<int>(nodes.size());
            nodes.push_back({"word" + std::to_string(w), 2, l});
            for (int r = 0; r < 5; ++r)
                nodes.push_back({"  " + std::to_string(r), 3, word});
        }
    }
    IndexModel model(nodes);
    QTreeView view;
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.expandAll();
    EXPECT_TRUE(view.isExpanded(model.indexOfNode(static_cast<int>(nodes.size()) - 6)));
    view.collapseAll();
    EXPECT_FALSE(view.isExpanded(model.indexOfNode(1)));
}

} // namespace
