#include "ui/IndexModel.h"

#include "ui/Cp1252.h"

#include <algorithm>
#include <limits>

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

int IndexModel::shownParent(int node) const {
    // A parent must come before its child; anything else is shown at the top level so that
    // no node is lost and no cycle can form.
    const int p = m_nodes[static_cast<std::size_t>(node)].parent;
    return p >= 0 && p < node ? p : -1;
}

void IndexModel::reload() {
    beginResetModel();
    // Rows are ints; a list longer than that shows its first nodes.
    constexpr std::size_t kMaxNodes = std::numeric_limits<int>::max() - 2;
    m_count = static_cast<int>(std::min(m_nodes.size(), kMaxNodes));
    const auto n = static_cast<std::size_t>(m_count);
    m_groupStart.assign(n + 2, 0);
    m_grouped.resize(n);
    m_row.resize(n);
    m_groupStart.shrink_to_fit();
    m_grouped.shrink_to_fit();
    m_row.shrink_to_fit();
    // Each node's row is the count of its group so far; the count is kept in the entry after
    // the group's start, so that summing the counts turns them into starts.
    for (int i = 0; i < m_count; ++i) {
        const auto group = static_cast<std::size_t>(shownParent(i) + 1);
        m_row[static_cast<std::size_t>(i)] = m_groupStart[group + 1]++;
    }
    for (std::size_t g = 1; g < m_groupStart.size(); ++g)
        m_groupStart[g] += m_groupStart[g - 1];
    for (int i = 0; i < m_count; ++i) {
        const auto at = static_cast<std::size_t>(groupStart(shownParent(i)) +
                                                 m_row[static_cast<std::size_t>(i)]);
        m_grouped[at] = i;
    }
    endResetModel();
}

int IndexModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    const quint64 node = unmixId(index.internalId());
    // The session may have changed its list before telling the window; never read past it.
    if (node >= static_cast<quint64>(m_count) || node >= m_nodes.size()) return -1;
    return static_cast<int>(node);
}

QModelIndex IndexModel::indexOfNode(int node) const {
    if (node < 0 || node >= m_count) return {};
    return createIndex(m_row[static_cast<std::size_t>(node)], 0, mixId(static_cast<quint64>(node)));
}

QModelIndex IndexModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const int p = parent.isValid() ? nodeOf(parent) : -1;
    if (parent.isValid() && p < 0) return {};
    if (row >= childCount(p)) return {};
    const int node = m_grouped[static_cast<std::size_t>(groupStart(p) + row)];
    return createIndex(row, 0, mixId(static_cast<quint64>(node)));
}

QModelIndex IndexModel::parent(const QModelIndex& child) const {
    const int node = nodeOf(child);
    return node < 0 ? QModelIndex() : indexOfNode(shownParent(node));
}

int IndexModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    if (!parent.isValid()) return childCount(-1);
    const int node = nodeOf(parent);
    return node < 0 ? 0 : childCount(node);
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
