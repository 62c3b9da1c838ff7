// The Options and Index pages of the control panel. Their controls are made when the page is
// first shown or first asked for: until then nothing of them can be seen, and the session's
// changes to them are kept and made in the order they came once the controls exist.
#include "core/index/IndexTree.h"
#include "ui/FormParts.h"
#include "ui/IndexModel.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

#include <algorithm>
#include <utility>

namespace qm {

namespace {

bool onOptionsPage(Control c) {
    switch (c) {
    case Control::BGColorRadioGroup:
    case Control::SingleShadeBgCheckBox:
    case Control::TwoColorCheckBox:
    case Control::TwoColCheckBox:
    case Control::DictCheckBox:
    case Control::PrintColButton:
    case Control::LoadingPrintColLabel:
        return true;
    default:
        return false;
    }
}

bool onIndexPage(Control c) {
    switch (c) {
    case Control::IndexPanel:
    case Control::IndexMemo:
    case Control::IndexLoadButton:
    case Control::LoadingIndexLabel:
    case Control::InxTreeView:
    case Control::SearchingIndexLabel:
        return true;
    default:
        return false;
    }
}

// Makes the kept changes in order; a change keeps no further changes, as the controls exist
// by now.
template <class Kept> void makeKept(std::vector<Kept>& changes) {
    for (const Kept& change : std::exchange(changes, {}))
        change.make();
}

} // namespace

OptionsControls& TForm1::options() {
    if (!m_options) {
        buildOptionsPage();
        connectOptionsPage();
        makeKept(m_optionsChanges);
        showMadeControls(OptionsTabSheet);
    }
    return *m_options;
}

IndexControls& TForm1::indexPage() {
    if (!m_index) {
        buildIndexPage();
        connectIndexPage();
        makeKept(m_indexChanges);
        layoutIndexPage();
        showMadeControls(IndexTabSheet);
    }
    return *m_index;
}

bool TForm1::keptForLater(Control c, Change kind, std::function<void()> change) {
    std::vector<KeptChange>* kept = nullptr;
    if (!m_options && onOptionsPage(c)) kept = &m_optionsChanges;
    if (!m_index && onIndexPage(c)) kept = &m_indexChanges;
    if (!kept) return false;
    // Only the last change of each kind to a control is kept, in the order of those last
    // changes: the order in which they were made among themselves stays as it was.
    std::erase_if(*kept,
                  [c, kind](const KeptChange& k) { return k.control == c && k.kind == kind; });
    kept->push_back({c, kind, std::move(change)});
    return true;
}

void TForm1::showMadeControls(QWidget* page) {
    // Controls made on a shown page stay hidden until shown; those the design or the session
    // hid, or already showed, are left as they are.
    if (!page->isVisible()) return;
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->testAttribute(Qt::WA_WState_ExplicitShowHide)) w->show();
}

void TForm1::buildOptionsPage() {
    m_options = std::make_unique<OptionsControls>();
    OptionsControls& c = *m_options;
    QWidget* page = OptionsTabSheet;
    c.BGColorRadioGroup =
        named(new QGroupBox("Background Color", page), "BGColorRadioGroup", "Background Color");
    c.BGColorRadioGroup->setGeometry(8, 8, 169, 89);
    c.BGColorButtons = new QButtonGroup(this);
    c.BGColorButtons->setObjectName("BGColorButtons");
    const char* items[] = {"Light Colored", "Dark Colored", "Windows"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(items[i], c.BGColorRadioGroup);
        radio->setObjectName(QString("BGColorRadioGroupItem%1").arg(i));
        radio->setAccessibleName(items[i]);
        radio->setGeometry(8, 18 + i * 22, 150, 20);
        c.BGColorButtons->addButton(radio, i);
    }
    c.BGColorButtons->button(0)->setChecked(true);
    c.SingleShadeBgCheckBox = named(new QCheckBox("1 Color Background ", page),
                                    "SingleShadeBgCheckBox", "1 Color Background ");
    c.SingleShadeBgCheckBox->setGeometry(8, 104, 169, 25);
    c.TwoColorCheckBox =
        named(new QCheckBox("No Colored Text", page), "TwoColorCheckBox", "No Colored Text");
    c.TwoColorCheckBox->setGeometry(8, 124, 169, 25);
    c.TwoColCheckBox =
        named(new QCheckBox("2 Column Display", page), "TwoColCheckBox", "2 Column Display");
    c.TwoColCheckBox->setGeometry(8, 144, 169, 25);
    c.Label2 = named(new QLabel(page), "Label2", "Label2");
    c.Label2->setGeometry(0, 184, 193, 13);
    c.Label3 = named(new QLabel(page), "Label3", "Label3");
    c.Label3->setGeometry(0, 200, 193, 13);
    c.Label4 = named(new QLabel(page), "Label4", "Label4");
    c.Label4->setGeometry(0, 232, 193, 13);
    for (QLabel* l : {c.Label2, c.Label3, c.Label4})
        l->hide();
    c.PrintColButton =
        named(new QPushButton("Print Column", page), "PrintColButton", "Print Column");
    c.PrintColButton->setGeometry(32, 208, 105, 25);
    c.LoadingPrintColLabel = yellowLabel(page, "LoadingPrintColLabel", "Loading Print Column...");
    c.LoadingPrintColLabel->setGeometry(16, 240, 161, 17);
    c.LoadingPrintColLabel->hide();
    c.ResetToStartupDefaultsButton =
        named(new QPushButton("Reset To Startup Defaults", page), "ResetToStartupDefaultsButton",
              "Reset To Startup Defaults");
    c.ResetToStartupDefaultsButton->setGeometry(0, 288, 193, 25);
    c.DictCheckBox = named(new QCheckBox("Use Dictionary", page), "DictCheckBox", "Use Dictionary");
    c.DictCheckBox->setGeometry(48, 320, 97, 17);
}

void TForm1::buildIndexPage() {
    m_index = std::make_unique<IndexControls>();
    IndexControls& c = *m_index;
    QWidget* page = IndexTabSheet;
    c.InxTreeView = named(new IndexTree(page), "InxTreeView", "Index");
    c.model = new IndexModel(m_session->indexNodes(), this);
    c.InxTreeView->setModel(c.model);
    c.InxTreeView->setHeaderHidden(true);
    c.InxTreeView->setIndentation(19);
    c.InxTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.InxTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    c.InxTreeView->setUniformRowHeights(true);
    c.InxTreeView->hide();

    c.IndexPanel = named(new QWidget(page), "IndexPanel", "Index");
    c.IndexPanel->setGeometry(0, 0, 192, 381);
    c.LoadingIndexLabel = yellowLabel(c.IndexPanel, "LoadingIndexLabel", "Loading Index");
    QFont big = c.LoadingIndexLabel->font();
    big.setPixelSize(16);
    c.LoadingIndexLabel->setFont(big);
    c.LoadingIndexLabel->setGeometry(8, 304, 177, 25);
    c.LoadingIndexLabel->hide();
    c.IndexLoadButton =
        named(new QPushButton("Load Index", c.IndexPanel), "IndexLoadButton", "Load Index");
    c.IndexLoadButton->setGeometry(24, 264, 137, 25);
    c.IndexMemo = memo(c.IndexPanel, "IndexMemo", "Index instructions");
    c.IndexMemo->setFrameShape(QFrame::NoFrame);
    c.IndexMemo->setLineWrapMode(QTextEdit::NoWrap);
    c.IndexMemo->setGeometry(8, 40, 177, 193);
    c.Memo2 = memo(c.IndexPanel, "Memo2", "Index instructions");
    c.Memo2->setGeometry(8, 336, 177, 33);
    QStringList instructions;
    for (const std::string& line : indexInstructionLines())
        instructions << QString::fromStdString(line);
    setMemoLines(c.Memo2, instructions);
    c.Memo2->hide();

    c.FindingEntryLabel = yellowLabel(page, "FindingEntryLabel", "Finding Entry");
    c.FindingEntryLabel->adjustSize();
    c.FindingEntryLabel->move(8, 8);
    c.FindingEntryLabel->hide();
    c.SearchingIndexLabel = yellowLabel(page, "SearchingIndexLabel", "Searching Index");
    QFont searching = c.SearchingIndexLabel->font();
    searching.setPixelSize(13);
    c.SearchingIndexLabel->setFont(searching);
    c.SearchingIndexLabel->hide();
}

void TForm1::layoutIndexPage() {
    if (!m_index) return;
    const IndexControls& c = *m_index;
    const int w = IndexTabSheet->width();
    const int h = IndexTabSheet->height();
    // While an entry is followed the tree ends where the searching label begins.
    const int treeHeight = c.SearchingIndexLabel->isVisibleTo(IndexTabSheet) ? h - 20 : h;
    c.InxTreeView->setGeometry(0, 0, w, std::max(0, treeHeight));
    c.SearchingIndexLabel->setGeometry(0, h - 20, w, 20);
}

void TForm1::indexTreeChanged() {
    if (keptForLater(Control::InxTreeView, Change::TreeReload, [this] { indexTreeChanged(); }))
        return;
    m_index->model->reload();
}

void TForm1::selectIndexNode(int absoluteIndex) {
    if (keptForLater(Control::InxTreeView, Change::TreeSelect,
                     [this, absoluteIndex] { selectIndexNode(absoluteIndex); }))
        return;
    const QModelIndex index = m_index->model->indexOfNode(absoluteIndex);
    if (index.isValid()) m_index->InxTreeView->setCurrentIndex(index);
}

void TForm1::connectOptionsPage() {
    const OptionsControls& c = *m_options;
    // A user's click on a check box: the core's copy of the box follows first, then its
    // handler runs. Changes made by the core are applied with signals blocked.
    auto checkBox = [this](QCheckBox* box, Control control, void (Session::*handler)(bool)) {
        connect(box, &QCheckBox::clicked, this, [this, control, handler](bool checked) {
            handle([this, control, handler, checked] {
                m_session->setControlChecked(control, checked);
                (m_session.get()->*handler)(checked);
            });
        });
    };
    checkBox(c.TwoColorCheckBox, Control::TwoColorCheckBox, &Session::TwoColorCheckBoxClick);
    checkBox(c.SingleShadeBgCheckBox, Control::SingleShadeBgCheckBox,
             &Session::SingleShadeBgCheckBoxClick);
    checkBox(c.TwoColCheckBox, Control::TwoColCheckBox, &Session::TwoColCheckBoxClick);
    connect(c.DictCheckBox, &QCheckBox::clicked, this,
            [this](bool checked) { m_session->setControlChecked(Control::DictCheckBox, checked); });
    connect(c.BGColorButtons, &QButtonGroup::idClicked, this, [this](int item) {
        handle([this, item] {
            m_session->setControlPosition(Control::BGColorRadioGroup, item);
            m_session->BGColorRadioGroupClick(item);
        });
    });
    connect(c.PrintColButton, &QAbstractButton::clicked, this,
            [this] { handle([this] { m_session->PrintColButtonClick(); }); });
    connect(c.ResetToStartupDefaultsButton, &QAbstractButton::clicked, this,
            [this] { handle([this] { m_session->ResetToStartupDefaultsButtonClick(); }); });
}

void TForm1::connectIndexPage() {
    const IndexControls& c = *m_index;
    connect(c.IndexLoadButton, &QAbstractButton::clicked, this,
            [this] { handle([this] { m_session->IndexLoadButtonClick(); }); });
    connect(c.InxTreeView, &IndexTree::userClicked, this, [this] {
        const int node = m_index->model->nodeOf(m_index->InxTreeView->currentIndex());
        handle([this, node] {
            m_session->InxTreeViewClick(node >= 0 ? std::optional<int>(node) : std::nullopt);
        });
    });
}

} // namespace qm
