#pragma once
// The index tree's model: a read-only view of the session's index node list. Child lists are
// built once per change of the list, so every call answers in constant time.
//
// Internal ids are node numbers multiplied by an odd constant: Qt hashes a QModelIndex by
// adding its internal id to the row with no mixing, and sequential ids make expanding or
// collapsing a large tree quadratic.
#include "core/shell/Session.h"

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
    const std::vector<int>& childrenOf(int node) const;

    const std::vector<IndexNode>& m_nodes;
    std::vector<int> m_topLevel;
    std::vector<std::vector<int>> m_children;
    std::vector<int> m_row; // row of each node among its parent's children
};

} // namespace qm
