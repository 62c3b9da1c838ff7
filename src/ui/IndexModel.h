#pragma once
// The index tree's model: a read-only view of the session's index node list. The list is in
// pre-order (every parent before its children, siblings in order), each node naming its
// parent; the model keeps three ints per node, built in linear passes at each change of the
// list, so every call answers in constant time: each node's row among its siblings, and the
// nodes grouped by parent with where each parent's group begins.
//
// Internal ids are node numbers multiplied by an odd constant: Qt hashes a QModelIndex by
// adding its internal id to the row with no mixing, and sequential ids make expanding or
// collapsing a large tree quadratic.
#include "core/base/Tree.h"

#include <QAbstractItemModel>

#include <vector>

namespace qm {

class IndexModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit IndexModel(const std::vector<IndexNode>& nodes, QObject* parent = nullptr);

    // Re-reads the node list (after the session rebuilt or cleared it).
    void reload();

    // Node number of an index, or -1 for the invisible root or an index of another model.
    int nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(int node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;

    static quintptr mixId(quint64 node);
    static quint64 unmixId(quintptr id);

private:
    // The group of children of a node, or of the top level for -1: group node + 1.
    int groupStart(int node) const { return m_groupStart[static_cast<std::size_t>(node + 1)]; }
    int childCount(int node) const { return groupStart(node + 1) - groupStart(node); }
    // The node's parent as the tree shows it: -1 unless the parent comes before the node.
    int shownParent(int node) const;

    const std::vector<IndexNode>& m_nodes;
    int m_count = 0; // nodes of the list the arrays were built for
    // Where each group begins in m_grouped; the top level's group first, then the children
    // of node 0, node 1 and so on, with the end of the last group at the end (m_count + 2).
    std::vector<int> m_groupStart;
    std::vector<int> m_grouped; // node numbers, group after group, each group in node order
    std::vector<int> m_row;     // each node's row among its siblings
};

} // namespace qm
