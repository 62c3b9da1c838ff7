// The index tree's model over the session's node list: checked by Qt's model tester, and the
// shape, texts and node numbers it reports.
#include "ui/IndexModel.h"
#include "UiSupport.h"

#include <QAbstractItemModelTester>
#include <QTreeView>

#include <gtest/gtest.h>

#include <limits>
#include <random>

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

// Node lists of several shapes, each checked against children lists built the plain way.
struct Shape {
    const char* name;
    std::vector<IndexNode> nodes;
};

std::vector<Shape> shapes() {
    std::vector<Shape> out;
    out.push_back({"empty", {}});
    out.push_back({"root only", {{"Index", 0, -1}}});
    std::vector<IndexNode> chain, flat, bushy, hostile;
    for (int i = 0; i < 3000; ++i) // each node the only child of the one before
        chain.push_back({"n" + std::to_string(i), 0, i - 1});
    for (int i = 0; i < 500; ++i)
        flat.push_back({"n" + std::to_string(i), 0, -1});
    std::mt19937 rng(11);
    bushy.push_back({"Index", 0, -1});
    for (int i = 1; i < 5000; ++i) // any earlier node as parent, favouring recent ones
        bushy.push_back({"n", 0, i - 1 - static_cast<int>(rng() % std::min(i, 1 + i % 40))});
    // Parents after their child, the node itself, far out of range or below -1, between
    // ordinary ones: all shown at the top level.
    for (int i = 0; i < 2000; ++i) {
        const int kind = static_cast<int>(rng() % 6);
        const int parent = kind == 0   ? i + 1 + static_cast<int>(rng() % 50)
                           : kind == 1 ? i
                           : kind == 2 ? std::numeric_limits<int>::max()
                           : kind == 3 ? std::numeric_limits<int>::min()
                           : i == 0    ? -1
                                       : static_cast<int>(rng() % static_cast<unsigned>(i));
        hostile.push_back({"h", 0, parent});
    }
    out.push_back({"chain", chain});
    out.push_back({"flat", flat});
    out.push_back({"bushy", bushy});
    out.push_back({"hostile parents", hostile});
    return out;
}

void expectMatchesPlainChildrenLists(const IndexModel& model, const std::vector<IndexNode>& nodes) {
    const int count = static_cast<int>(nodes.size());
    std::vector<int> top;
    std::vector<std::vector<int>> children(nodes.size());
    std::vector<int> shownParent(nodes.size(), -1);
    for (int i = 0; i < count; ++i) {
        const int p = nodes[static_cast<std::size_t>(i)].parent;
        const bool below = p >= 0 && p < i;
        shownParent[static_cast<std::size_t>(i)] = below ? p : -1;
        (below ? children[static_cast<std::size_t>(p)] : top).push_back(i);
    }
    ASSERT_EQ(model.rowCount(), static_cast<int>(top.size()));
    for (std::size_t row = 0; row < top.size(); ++row)
        ASSERT_EQ(model.nodeOf(model.index(static_cast<int>(row), 0)), top[row]);
    EXPECT_FALSE(model.index(static_cast<int>(top.size()), 0).isValid());
    for (int n = 0; n < count; ++n) {
        const QModelIndex index = model.indexOfNode(n);
        ASSERT_TRUE(index.isValid()) << n;
        const auto& list = children[static_cast<std::size_t>(n)];
        ASSERT_EQ(model.rowCount(index), static_cast<int>(list.size())) << n;
        ASSERT_EQ(model.hasChildren(index), !list.empty()) << n;
        for (std::size_t row = 0; row < list.size(); ++row) {
            const QModelIndex child = model.index(static_cast<int>(row), 0, index);
            ASSERT_EQ(model.nodeOf(child), list[row]) << n << " row " << row;
            ASSERT_EQ(child, model.indexOfNode(list[row]));
            ASSERT_EQ(model.parent(child), index);
        }
        EXPECT_FALSE(model.index(static_cast<int>(list.size()), 0, index).isValid()) << n;
        EXPECT_EQ(model.nodeOf(model.parent(index)), shownParent[static_cast<std::size_t>(n)]);
    }
    EXPECT_FALSE(model.indexOfNode(count).isValid());
    EXPECT_FALSE(model.indexOfNode(-1).isValid());
}

TEST_F(IndexModelTest, EveryShapeMatchesPlainChildrenListsAfterEachReload) {
    const std::vector<Shape> all = shapes();
    // One model over one list that the session refills with shape after shape, longer and
    // shorter, as loading indexes of other collections does.
    std::vector<IndexNode> nodes;
    IndexModel model(nodes);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const Shape& shape : all) {
        SCOPED_TRACE(shape.name);
        nodes = shape.nodes;
        model.reload();
        expectMatchesPlainChildrenLists(model, nodes);
    }
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
