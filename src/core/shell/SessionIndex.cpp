// The Index tab: loading the word index into its tree and following a reference.
#include "core/index/IndexTree.h"
#include "core/shell/Session.h"
#include "core/view/Paging.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

// Puts the busy label and the button back however the operation ends, so a failure never
// leaves the tab looking busy.
template <class F> class AtExit {
public:
    explicit AtExit(F f)
        : m_f(std::move(f)) {}
    ~AtExit() { m_f(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    F m_f;
};

bool beginsWithDigit(const std::string& s) {
    return !s.empty() && s[0] >= '0' && s[0] <= '9';
}

} // namespace

void Session::IndexLoadButtonClick() {
    if (m_indexFile.empty() || !m_fs.fileExists(m_indexFile)) return;
    m_controls.setVisible(Control::LoadingIndexLabel, true);
    m_controls.setEnabled(Control::IndexLoadButton, false);
    m_view.repaintNow(Control::LoadingIndexLabel);
    {
        AtExit done([this] {
            m_controls.setVisible(Control::LoadingIndexLabel, false);
            m_controls.setEnabled(Control::IndexLoadButton, true);
        });
        const std::optional<std::string> bytes = m_fs.readFile(m_indexFile, kIndexFileCap);
        m_indexNodes = buildIndexTree(bytes ? std::string_view(*bytes) : std::string_view{});
    }
    m_controls.setVisible(Control::IndexPanel, false);
    m_controls.setVisible(Control::InxTreeView, true);
    m_view.indexTreeChanged();
    if (const auto first = firstSelectableIndexNode(m_indexNodes)) m_view.selectIndexNode(*first);
}

void Session::InxTreeViewClick(std::optional<int> node) {
    m_controls.setVisible(Control::SearchingIndexLabel, true);
    m_view.repaintNow(Control::SearchingIndexLabel);
    AtExit done([this] { m_controls.setVisible(Control::SearchingIndexLabel, false); });

    std::string text;
    if (node && *node >= 0 && static_cast<std::size_t>(*node) < m_indexNodes.size())
        text = trimBlanksAndControls(m_indexNodes[static_cast<std::size_t>(*node)].text);
    if (!beginsWithDigit(text) || text == m_lastFollowedEntry) return;
    m_lastFollowedEntry = text;
    const int line = toInteger(text);
    // Compared before subtracting: the conversion can yield the lowest integer.
    int top = line < 5 ? 0 : line - 5;
    // A reference at or past the end of the text would draw nothing and leave the old page
    // on screen, far from anything a page step could reach: the text's last page is shown,
    // the one a step back from beyond the end line would show.
    const int count = lineCount(displayLines());
    if (m_haveDisplayList && top >= count - 2) {
        int rows = 0;
        if (m_surface) rows = m_surface->height() / std::max(1, m_surface->textHeight("X"));
        top = previousPageTop(displayLines(), count - 1, rows);
    }
    const int before = m_topLine;
    m_nextTopLine = drawPage(top);
    noteJump(before);
}

void Session::resetToPanel() {
    m_controls.setVisible(Control::IndexPanel, true);
    m_controls.setVisible(Control::InxTreeView, false);
    m_indexNodes.clear();
    m_view.indexTreeChanged();
}

} // namespace qm
