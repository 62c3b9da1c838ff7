// The contents page's tree. It is made when its page first comes forward or when it is first
// asked for (tocTree()): until then nothing of it can be seen, and what the session sets on it
// (its nodes, the nodes it opens, the selected node, the font size) is kept and set on the
// tree once it is made, so that it shows what it would have shown had it been there all along.
#include "ui/Cp1252.h"
#include "ui/FormParts.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"

#include <QHeaderView>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <utility>

namespace qm {

TocTree* TForm1::tocTree() {
    if (!m_tocTree) makeTocTree();
    return m_tocTree;
}

void TForm1::makeTocTree() {
    // The tree takes the page's font (the design's, set on the page) from the start; the
    // hidden header's one section stretches over the tree, and its minimum width, left to
    // itself, is measured from the font's widest glyph whenever the font changes.
    m_tocTree = named(new TocTree(TOCTabSheet), "TOCTreeView", "Table Of Contents");
    TocTree* tree = m_tocTree;
    tree->setHeaderHidden(true);
    tree->header()->setMinimumSectionSize(0);
    tree->setIndentation(19);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connectTocTree();

    // What the session set while there was no tree. The nodes come before what opens and
    // selects them: setting them clears both, as on a tree that exists. All of it is set
    // while the tree still has the size every new control has, as a tree made with the window
    // had it set before its page was sized; the page's size comes after, so that the scroll
    // bars, and the rows a selected node is scrolled to as the tree shows, come out the same.
    TocKept kept = std::exchange(m_tocKept, {});
    if (kept.fontPoints) setTocFontSize(*kept.fontPoints);
    setTocTree(kept.tree);
    for (std::size_t node = 0; node < kept.opened.size(); ++node) {
        if (kept.opened[node]) expandTocNode(static_cast<int>(node));
    }
    if (kept.selected) selectTocNode(*kept.selected);
    tree->setGeometry(TOCTabSheet->rect());
    showMadeControls(TOCTabSheet);
}

void TForm1::connectTocTree() {
    connect(m_tocTree, &TocTree::userClicked, this, [this] {
        const int i = tocIndexOf(m_tocTree->currentItem());
        handle([this, i] {
            m_session->TOCTreeViewClick(i >= 0 ? std::optional<int>(i) : std::nullopt);
        });
    });
    connect(m_tocTree, &TocTree::userDoubleClicked, this, [this] {
        const int i = tocIndexOf(m_tocTree->currentItem());
        handle([this, i] {
            m_session->TOCTreeViewDblClick(i >= 0 ? std::optional<int>(i) : std::nullopt);
        });
    });
    connect(m_tocTree, &QTreeWidget::itemExpanded, this, [this] {
        if (!m_treeBuilding) handle([this] { m_session->TOCTreeViewExpanded(); });
    });
    connect(m_tocTree, &QTreeWidget::itemCollapsed, this, [this] {
        if (!m_treeBuilding) handle([this] { m_session->TOCTreeViewCollapsed(); });
    });
}

bool TForm1::keptTocNode(int absoluteIndex) const {
    return absoluteIndex >= 0 && static_cast<std::size_t>(absoluteIndex) < m_tocKept.tree.size();
}

void TForm1::setTocTree(const Tree& tree) {
    if (!m_tocTree) {
        m_tocKept.tree = tree;
        m_tocKept.opened.assign(tree.size(), false);
        m_tocKept.selected.reset();
        return;
    }
    m_treeBuilding = true;
    m_tocScrollPending = nullptr;
    m_tocTree->clear();
    m_tocItems.clear();
    std::vector<QTreeWidgetItem*> items(tree.size(), nullptr);
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const int p = tree[i].parent;
        auto* item = (p >= 0 && static_cast<std::size_t>(p) < i)
                         ? new QTreeWidgetItem(items[static_cast<std::size_t>(p)])
                         : new QTreeWidgetItem(m_tocTree);
        item->setText(0, fromCp1252(tree[i].text));
        items[i] = item;
    }
    // A node's absolute index is its place in a walk from top to bottom, parents first.
    for (QTreeWidgetItemIterator it(m_tocTree); *it; ++it) {
        (*it)->setData(0, Qt::UserRole, static_cast<int>(m_tocItems.size()));
        m_tocItems.push_back(*it);
    }
    m_treeBuilding = false;
}

int TForm1::tocIndexOf(const QTreeWidgetItem* item) const {
    if (!item) return -1;
    bool ok = false;
    const int i = item->data(0, Qt::UserRole).toInt(&ok);
    return ok ? i : -1;
}

QTreeWidgetItem* TForm1::tocItem(int absoluteIndex) {
    tocTree();
    if (absoluteIndex < 0 || static_cast<std::size_t>(absoluteIndex) >= m_tocItems.size())
        return nullptr;
    return m_tocItems[static_cast<std::size_t>(absoluteIndex)];
}

void TForm1::expandTocNode(int absoluteIndex) {
    if (!m_tocTree) {
        if (keptTocNode(absoluteIndex))
            m_tocKept.opened[static_cast<std::size_t>(absoluteIndex)] = true;
        return;
    }
    if (QTreeWidgetItem* item = tocItem(absoluteIndex)) {
        m_treeBuilding = true;
        item->setExpanded(true);
        m_treeBuilding = false;
    }
}

void TForm1::selectTocNode(int absoluteIndex) {
    if (!m_tocTree) {
        // Selecting a node opens its parents: they open when the selection is made.
        if (keptTocNode(absoluteIndex)) m_tocKept.selected = absoluteIndex;
        return;
    }
    if (QTreeWidgetItem* item = tocItem(absoluteIndex)) {
        // Scrolling to the node opens its parents, which is no user expansion either.
        m_treeBuilding = true;
        m_tocTree->setCurrentItem(item);
        if (m_tocTree->isVisible()) {
            m_tocTree->scrollToItem(item);
            m_tocScrollPending = nullptr;
        } else {
            // Scrolling lays out every item of the tree: a hidden tree scrolls when it is
            // shown. Its parents open now, as scrolling would open them.
            for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
                p->setExpanded(true);
            m_tocScrollPending = item;
        }
        m_treeBuilding = false;
    }
}

void TForm1::tocTreeShown() {
    if (QTreeWidgetItem* item = std::exchange(m_tocScrollPending, nullptr)) {
        m_treeBuilding = true;
        m_tocTree->scrollToItem(item);
        m_treeBuilding = false;
    }
}

void TForm1::setTocFontSize(int points) {
    if (!m_tocTree) {
        m_tocKept.fontPoints = points;
        return;
    }
    QFont font = m_tocTree->font();
    font.setPointSize(std::clamp(points, 1, 200));
    m_tocTree->setFont(font);
}

} // namespace qm
