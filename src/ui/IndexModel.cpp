#include "ui/IndexModel.h"

#include "ui/Cp1252.h"

namespace qm {

namespace {
// An odd 64-bit constant and its inverse modulo 2^64: multiplying spreads sequential node
// numbers over the whole id range and can be undone exactly.
constexpr quint64 kMix = 0x9E3779B97F4A7C15ULL;
constexpr quint64 inverseOf(quint64 a) {
    quint64 x = a; // Newton's iteration doubles the correct low bits each step.
    for (int i = 0; i < 6; ++i)
        x *= 2 - a * x;
    return x;
}
constexpr quint64 kUnmix = inverseOf(kMix);
static_assert(kMix * kUnmix == 1);
static_assert(sizeof(quintptr) == sizeof(quint64), "ids hold a whole 64-bit mixed value");
} // namespace

quintptr IndexModel::mixId(quint64 node) {
    return static_cast<quintptr>((node + 1) * kMix);
}
quint64 IndexModel::unmixId(quintptr id) {
    return static_cast<quint64>(id) * kUnmix - 1;
}

IndexModel::IndexModel(const std::vector<IndexNode>& nodes, QObject* parent)
    : QAbstractItemModel(parent)
    , m_nodes(nodes) {
    reload();
}

void IndexModel::reload() {
    beginResetModel();
    const int count = static_cast<int>(m_nodes.size());
    m_topLevel.clear();
    m_children.assign(m_nodes.size(), {});
    m_row.assign(m_nodes.size(), 0);
    for (int i = 0; i < count; ++i) {
        const int p = m_nodes[static_cast<std::size_t>(i)].parent;
        // A parent must come before its child; anything else is shown at the top level so
        // that no node is lost and no cycle can form.
        std::vector<int>& list =
            (p >= 0 && p < i) ? m_children[static_cast<std::size_t>(p)] : m_topLevel;
        m_row[static_cast<std::size_t>(i)] = static_cast<int>(list.size());
        list.push_back(i);
    }
    endResetModel();
}

const std::vector<int>& IndexModel::childrenOf(int node) const {
    return node < 0 ? m_topLevel : m_children[static_cast<std::size_t>(node)];
}

int IndexModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    const quint64 node = unmixId(index.internalId());
    // The session may have changed its list before telling the window; never read past it.
    if (node >= m_children.size() || node >= m_nodes.size()) return -1;
    return static_cast<int>(node);
}

QModelIndex IndexModel::indexOfNode(int node) const {
    if (node < 0 || static_cast<std::size_t>(node) >= m_children.size()) return {};
    return createIndex(m_row[static_cast<std::size_t>(node)], 0, mixId(static_cast<quint64>(node)));
}

QModelIndex IndexModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (parent.isValid() && nodeOf(parent) < 0) return {};
    const std::vector<int>& list = childrenOf(parent.isValid() ? nodeOf(parent) : -1);
    if (static_cast<std::size_t>(row) >= list.size()) return {};
    return createIndex(row, 0, mixId(static_cast<quint64>(list[static_cast<std::size_t>(row)])));
}

QModelIndex IndexModel::parent(const QModelIndex& child) const {
    const int node = nodeOf(child);
    if (node < 0) return {};
    const int p = m_nodes[static_cast<std::size_t>(node)].parent;
    if (p < 0 || p >= node) return {};
    return indexOfNode(p);
}

int IndexModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    if (!parent.isValid()) return static_cast<int>(m_topLevel.size());
    const int node = nodeOf(parent);
    return node < 0 ? 0 : static_cast<int>(m_children[static_cast<std::size_t>(node)].size());
}

int IndexModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool IndexModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant IndexModel::data(const QModelIndex& index, int role) const {
    const int node = nodeOf(index);
    if (node < 0 || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
    return fromCp1252(m_nodes[static_cast<std::size_t>(node)].text);
}

} // namespace qm
