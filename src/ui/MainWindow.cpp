#include "ui/MainWindow.h"

#include "core/base/Error.h"
#include "core/text/Tags.h"
#include "ui/AppIcon.h"
#include "ui/BookmarkDialog.h"
#include "ui/Cp1252.h"
#include "ui/FindDialog.h"
#include "ui/IndexModel.h"
#include "ui/NamedFile.h"
#include "ui/QtSurface.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

#include <utility>

namespace qm {

namespace {

// Names a control and gives it an accessible name: its caption, or its role.
template <class W> W* named(W* widget, const char* objectName, const QString& accessible) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessible);
    return widget;
}

QAction* namedAction(QAction* action, const char* objectName) {
    action->setObjectName(objectName);
    return action;
}

QAction* separator(QMenu* menu, const char* objectName) {
    QAction* action = menu->addSeparator();
    action->setObjectName(objectName);
    return action;
}

void setBackground(QWidget* w, const QColor& colour) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

QLabel* yellowLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = named(new QLabel(text, parent), name, text);
    label->setAlignment(Qt::AlignCenter);
    setBackground(label, Qt::yellow);
    return label;
}

QTextEdit* memo(QWidget* parent, const char* name, const QString& accessible) {
    auto* edit = named(new QTextEdit(parent), name, accessible);
    edit->setReadOnly(true);
    edit->setAcceptRichText(false);
    QTextOption option = edit->document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    edit->document()->setDefaultTextOption(option);
    return edit;
}

void setMemoLines(QTextEdit* edit, const QStringList& lines) {
    edit->setPlainText(lines.join('\n'));
}

const QStringList& aboutLines() {
    static const QStringList lines = {
        "Quillmar",
        "",
        "A reader for books",
        "in a cascaded layout:",
        "one phrase per line,",
        "indented by level.",
        "",
        QString("Version ") + QUILLMAR_VERSION,
        "",
        "This program comes with",
        "ABSOLUTELY NO WARRANTY.",
        "",
        "The built-in book is",
        "a retelling of tales",
        "in the public domain.",
    };
    return lines;
}

const QStringList& memo2Lines() {
    static const QStringList lines = {
        "Click \"Load Index\" to load", "and setup the index, this",
        "may take a short while.",      "",
        "After the index is loaded",    "click on the \"+\"'s to select",
        "the word, and to see the ",    "index entries.  Clicking on ",
        "an index entry will go to",    "that line in the book.",
    };
    return lines;
}

} // namespace

TForm1::TForm1(FileSystem& fs, Platform& platform, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName("Form1");
    setWindowTitle("Quillmar");
    setAccessibleName("Quillmar");
    setWindowIcon(applicationIcon());
    QFont font("Liberation Sans");
    font.setPixelSize(11);
    setFont(font);
    setAcceptDrops(true);

    m_session = std::make_unique<Session>(static_cast<ViewPort&>(*this), fs, platform);
    // The reading page's drawing surface: at least the screen's size, at the screen's pixel
    // ratio so that text stays sharp on dense screens.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    m_surface = std::make_unique<QtSurface>(platform.screenWidth(), platform.screenHeight(), ratio);
    m_session->setSurface(m_surface.get());

    Client = new QWidget(this);
    Client->setObjectName("Client");
    setCentralWidget(Client);
    buildPages();
    buildControlPage();
    buildOptionsPage();
    buildIndexPage();
    buildMenus();
    FindDialog1 = new FindDialog(this);
    connectHandlers();

    // Design bounds; the settings replace them at creation.
    setGeometry(90, 122, 729, 509);
    setMinimumSize(400, 450);
    Client->installEventFilter(this);
    ReadTabSheet->parentWidget()->installEventFilter(this);
    qApp->installEventFilter(this);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    // The controls go after this body; none of their last signals may reach the session,
    // and the index tree must not read the session's nodes once they are gone.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    InxTreeView->setModel(nullptr);
    m_session.reset();
}

void TForm1::buildPages() {
    PageControl1 = named(new QTabWidget(Client), "PageControl1", "PageControl1");
    PageControl1->setGeometry(0, 0, 505, 457);

    TOCTabSheet = named(new Sheet, "TOCTabSheet", "Table Of Contents");
    TOCTreeView = named(new TocTree(TOCTabSheet), "TOCTreeView", "Table Of Contents");
    TOCTreeView->setHeaderHidden(true);
    TOCTreeView->setIndentation(19);
    TOCTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TOCTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont tocFont("Liberation Serif");
    tocFont.setPixelSize(13);
    TOCTreeView->setFont(tocFont);
    connect(TOCTabSheet, &Sheet::resized, TOCTreeView,
            [this](QSize s) { TOCTreeView->setGeometry(0, 0, s.width(), s.height()); });
    PageControl1->addTab(TOCTabSheet, "Table Of Contents");

    ReadTabSheet = named(new Sheet, "ReadTabSheet", "Reading");
    Image1 = named(new ReadingPage(ReadTabSheet), "Image1", "Reading page");
    Image1->setImage(&m_surface->image());
    connect(ReadTabSheet, &Sheet::resized, this, &TForm1::readPageResized);
    PageControl1->addTab(ReadTabSheet, "Reading");

    AboutTabSheet = named(new Sheet, "AboutTabSheet", "About");
    ProgramIcon = named(new PictureBox(AboutTabSheet), "ProgramIcon", "Quillmar logo");
    {
        // The picture keeps a full-screen surface, white until the logo is drawn on it.
        QImage white(m_session->platform.screenWidth(), m_session->platform.screenHeight(),
                     QImage::Format_RGB32);
        white.fill(Qt::white);
        ProgramIcon->setPicture(white);
    }
    Memo1 = memo(AboutTabSheet, "Memo1", "About Quillmar");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setBackground(Memo1, QColor(0xC0, 0xC0, 0xC0));
    Memo1->viewport()->setAutoFillBackground(true);
    setMemoLines(Memo1, aboutLines());
    const QString bookTitle = "Andersen's Fairy Tales, by Andersen, Hans Christian";
    BookTitleLabel = named(new QLabel(bookTitle, AboutTabSheet), "BookTitleLabel", bookTitle);
    BookTitleLabel->setAlignment(Qt::AlignCenter);
    setBackground(BookTitleLabel, QColor(0xFF, 0xFF, 0x80));
    OKButton = named(new QPushButton("OK", AboutTabSheet), "OKButton", "OK");
    OKButton->setGeometry(0, 0, 75, 25);
    PageControl1->addTab(AboutTabSheet, "About");

    LogoHoldingTabSheet = named(new Sheet, "LogoHoldingTabSheet", "LogoHolding");
    Image3 = named(new PictureBox(LogoHoldingTabSheet), "Image3", "Logo");
    Image3->setPicture(logoPicture(200));
    Image3->setGeometry(0, 0, 200, 200);
    Image3->hide();
    const int logoTab = PageControl1->addTab(LogoHoldingTabSheet, "LogoHolding");
    PageControl1->setTabVisible(logoTab, false);
    PageControl1->setCurrentWidget(AboutTabSheet);

    PageControl2 = named(new QTabWidget(Client), "PageControl2", "Control panel");
    PageControl2->setGeometry(512, 0, 200, 433);
}

void TForm1::buildControlPage() {
    ControlsTabSheet = named(new Sheet, "ControlsTabSheet", "Control");
    QWidget* page = ControlsTabSheet;
    ReadingPositionLabel =
        named(new QLabel("Reading Position", page), "ReadingPositionLabel", "Reading Position");
    ReadingPositionLabel->setAlignment(Qt::AlignCenter);
    ReadingPositionLabel->setGeometry(8, 16, 177, 13);
    BookPosProgressBar = named(new QProgressBar(page), "BookPosProgressBar", "Reading Position");
    BookPosProgressBar->setRange(0, 100);
    BookPosProgressBar->setValue(0);
    BookPosProgressBar->setTextVisible(false);
    BookPosProgressBar->setGeometry(8, 32, 177, 16);
    PosLabel = named(new QLabel(page), "PosLabel", "Position");
    PosLabel->setAlignment(Qt::AlignCenter);
    PosLabel->setGeometry(8, 48, 169, 17);
    FontSizeLabel = named(new QLabel("FontSize = 15", page), "FontSizeLabel", "FontSize = 15");
    FontSizeLabel->setAlignment(Qt::AlignCenter);
    FontSizeLabel->setGeometry(8, 72, 169, 17);
    FontSizeTrackBar = named(new QSlider(Qt::Horizontal, page), "FontSizeTrackBar", "Font Size");
    FontSizeTrackBar->setRange(4, 40);
    FontSizeTrackBar->setValue(15);
    FontSizeTrackBar->setTickPosition(QSlider::TicksBelow);
    FontSizeTrackBar->setTickInterval(1);
    FontSizeTrackBar->setSingleStep(1);
    FontSizeTrackBar->setPageStep(1);
    FontSizeTrackBar->setGeometry(2, 88, 164, 25);
    FontSizeUpDown = named(new UpDown(4, 40, 4, page), "FontSizeUpDown", "Font Size Up Down");
    FontSizeUpDown->setGeometry(166, 88, 16, 25);
    PrevButton = named(new QPushButton("Prev", page), "PrevButton", "Prev");
    PrevButton->setGeometry(8, 200, 169, 25);
    NextButton = named(new QPushButton("Next", page), "NextButton", "Next");
    NextButton->setGeometry(8, 224, 169, 65);
    NextButton->setEnabled(false);
    ExitButton = named(new QPushButton("Exit", page), "ExitButton", "Exit");
    ExitButton->setGeometry(8, 312, 169, 25);
    PageControl2->addTab(ControlsTabSheet, "Control");
}

void TForm1::buildOptionsPage() {
    OptionsTabSheet = named(new Sheet, "OptionsTabSheet", "Options");
    QWidget* page = OptionsTabSheet;
    BGColorRadioGroup =
        named(new QGroupBox("Background Color", page), "BGColorRadioGroup", "Background Color");
    BGColorRadioGroup->setGeometry(8, 8, 169, 89);
    BGColorButtons = new QButtonGroup(this);
    BGColorButtons->setObjectName("BGColorButtons");
    const char* items[] = {"Light Colored", "Dark Colored", "Windows"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(items[i], BGColorRadioGroup);
        radio->setObjectName(QString("BGColorRadioGroupItem%1").arg(i));
        radio->setAccessibleName(items[i]);
        radio->setGeometry(8, 18 + i * 22, 150, 20);
        BGColorButtons->addButton(radio, i);
    }
    BGColorButtons->button(0)->setChecked(true);
    SingleShadeBgCheckBox = named(new QCheckBox("1 Color Background ", page),
                                  "SingleShadeBgCheckBox", "1 Color Background ");
    SingleShadeBgCheckBox->setGeometry(8, 104, 169, 25);
    TwoColorCheckBox =
        named(new QCheckBox("No Colored Text", page), "TwoColorCheckBox", "No Colored Text");
    TwoColorCheckBox->setGeometry(8, 124, 169, 25);
    TwoColCheckBox =
        named(new QCheckBox("2 Column Display", page), "TwoColCheckBox", "2 Column Display");
    TwoColCheckBox->setGeometry(8, 144, 169, 25);
    Label2 = named(new QLabel(page), "Label2", "Label2");
    Label2->setGeometry(0, 184, 193, 13);
    Label3 = named(new QLabel(page), "Label3", "Label3");
    Label3->setGeometry(0, 200, 193, 13);
    Label4 = named(new QLabel(page), "Label4", "Label4");
    Label4->setGeometry(0, 232, 193, 13);
    for (QLabel* l : {Label2, Label3, Label4})
        l->hide();
    PrintColButton = named(new QPushButton("Print Column", page), "PrintColButton", "Print Column");
    PrintColButton->setGeometry(32, 208, 105, 25);
    LoadingPrintColLabel = yellowLabel(page, "LoadingPrintColLabel", "Loading Print Column...");
    LoadingPrintColLabel->setGeometry(16, 240, 161, 17);
    LoadingPrintColLabel->hide();
    ResetToStartupDefaultsButton =
        named(new QPushButton("Reset To Startup Defaults", page), "ResetToStartupDefaultsButton",
              "Reset To Startup Defaults");
    ResetToStartupDefaultsButton->setGeometry(0, 288, 193, 25);
    DictCheckBox = named(new QCheckBox("Use Dictionary", page), "DictCheckBox", "Use Dictionary");
    DictCheckBox->setGeometry(48, 320, 97, 17);
    PageControl2->addTab(OptionsTabSheet, "Options");
}

void TForm1::buildIndexPage() {
    IndexTabSheet = named(new Sheet, "IndexTabSheet", "Index");
    QWidget* page = IndexTabSheet;
    InxTreeView = named(new IndexTree(page), "InxTreeView", "Index");
    m_indexModel = new IndexModel(m_session->indexNodes, this);
    InxTreeView->setModel(m_indexModel);
    InxTreeView->setHeaderHidden(true);
    InxTreeView->setIndentation(19);
    InxTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    InxTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    InxTreeView->setUniformRowHeights(true);
    InxTreeView->hide();

    IndexPanel = named(new QWidget(page), "IndexPanel", "Index");
    IndexPanel->setGeometry(0, 0, 192, 381);
    LoadingIndexLabel = yellowLabel(IndexPanel, "LoadingIndexLabel", "Loading Index");
    QFont big = LoadingIndexLabel->font();
    big.setPixelSize(16);
    LoadingIndexLabel->setFont(big);
    LoadingIndexLabel->setGeometry(8, 304, 177, 25);
    LoadingIndexLabel->hide();
    IndexLoadButton =
        named(new QPushButton("Load Index", IndexPanel), "IndexLoadButton", "Load Index");
    IndexLoadButton->setGeometry(24, 264, 137, 25);
    IndexMemo = memo(IndexPanel, "IndexMemo", "Index instructions");
    IndexMemo->setFrameShape(QFrame::NoFrame);
    IndexMemo->setLineWrapMode(QTextEdit::NoWrap);
    IndexMemo->setGeometry(8, 40, 177, 193);
    Memo2 = memo(IndexPanel, "Memo2", "Index instructions");
    Memo2->setGeometry(8, 336, 177, 33);
    setMemoLines(Memo2, memo2Lines());
    Memo2->hide();

    FindingEntryLabel = yellowLabel(page, "FindingEntryLabel", "Finding Entry");
    FindingEntryLabel->adjustSize();
    FindingEntryLabel->move(8, 8);
    FindingEntryLabel->hide();
    SearchingIndexLabel = yellowLabel(page, "SearchingIndexLabel", "Searching Index");
    QFont searching = SearchingIndexLabel->font();
    searching.setPixelSize(13);
    SearchingIndexLabel->setFont(searching);
    SearchingIndexLabel->hide();
    connect(IndexTabSheet, &Sheet::resized, this, [this](QSize) { layoutIndexPage(); });
    PageControl2->addTab(IndexTabSheet, "Index");
}

void TForm1::layoutIndexPage() {
    const int w = IndexTabSheet->width();
    const int h = IndexTabSheet->height();
    // While an entry is followed the tree ends where the searching label begins.
    const int treeHeight = SearchingIndexLabel->isVisibleTo(IndexTabSheet) ? h - 20 : h;
    InxTreeView->setGeometry(0, 0, w, std::max(0, treeHeight));
    SearchingIndexLabel->setGeometry(0, h - 20, w, 20);
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    FileMenu = bar->addMenu("File");
    FileMenu->setObjectName("FileMenu");
    OpenTVTItem = namedAction(FileMenu->addAction("Open File"), "OpenTVTItem");
    OpenTVTItem->setShortcut(QKeySequence("Ctrl+O"));
    OpenTOCItem =
        namedAction(FileMenu->addAction(QString::fromUtf8("Open Torvane\u00AE Table of Contents")),
                    "OpenTOCItem");
    OpenTOCItem->setShortcut(QKeySequence("Ctrl+Shift+O"));
    N1 = separator(FileMenu, "N1");
    SaveScreenItem = namedAction(FileMenu->addAction("Save Screen as Text File"), "SaveScreenItem");
    SaveScreenItem->setShortcut(QKeySequence("Ctrl+S"));
    N3 = separator(FileMenu, "N3");
    ExitItem = namedAction(FileMenu->addAction("Exit"), "ExitItem");
    ExitItem->setShortcut(QKeySequence("Ctrl+Q"));

    SearchMenu = bar->addMenu("Search");
    SearchMenu->setObjectName("SearchMenu");
    FindItem = namedAction(SearchMenu->addAction("Find"), "FindItem");
    FindItem->setShortcut(QKeySequence("Ctrl+F"));

    BMMenu = bar->addMenu("Bookmarks");
    BMMenu->setObjectName("BMMenu");
    BMAddItem = namedAction(BMMenu->addAction("Add Bookmark"), "BMAddItem");
    BMAddItem->setShortcut(QKeySequence("Ctrl+D"));
    BMDeleteItem = namedAction(BMMenu->addAction("Delete Bookmark"), "BMDeleteItem");
    N2 = separator(BMMenu, "N2");
    BMGOItem = namedAction(BMMenu->addAction("Goto..."), "BMGOItem");

    ViewMenu = bar->addMenu("View");
    ViewMenu->setObjectName("ViewMenu");
    HideControlPanelItem =
        namedAction(ViewMenu->addAction("Hide Control Panel"), "HideControlPanelItem");
    ShowControlPanelItem =
        namedAction(ViewMenu->addAction("Show Control Panel"), "ShowControlPanelItem");
    ShowControlPanelItem->setVisible(false);

    HempMenu = bar->addMenu("Help");
    HempMenu->setObjectName("HempMenu");
    AboutItem = namedAction(HempMenu->addAction("About"), "AboutItem");
    AboutItem->setVisible(false);
    HelpContentsItem = namedAction(HempMenu->addAction("Contents"), "HelpContentsItem");

    BMPopupMenu = new QMenu(this);
    BMPopupMenu->setObjectName("BMPopupMenu");
}

void TForm1::connectHandlers() {
    Session& s = *m_session;
    auto click = [this](QAbstractButton* button, void (Session::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { handle([this, handler] { (m_session.get()->*handler)(); }); });
    };
    auto trigger = [this](QAction* action, void (Session::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { handle([this, handler] { (m_session.get()->*handler)(); }); });
    };
    click(OKButton, &Session::OKButtonClick);
    click(PrevButton, &Session::PrevButtonClick);
    click(NextButton, &Session::NextButtonClick);
    click(ExitButton, &Session::ExitButtonClick);
    click(PrintColButton, &Session::PrintColButtonClick);
    click(ResetToStartupDefaultsButton, &Session::ResetToStartupDefaultsButtonClick);
    click(IndexLoadButton, &Session::IndexLoadButtonClick);

    // A user's click on a check box: the core's copy of the box follows first, then its
    // handler runs. Changes made by the core are applied with signals blocked.
    auto checkBox = [this](QCheckBox* box, Control c, void (Session::*handler)(bool)) {
        connect(box, &QCheckBox::clicked, this, [this, c, handler](bool checked) {
            handle([this, c, handler, checked] {
                m_session->controls.setChecked(c, checked);
                (m_session.get()->*handler)(checked);
            });
        });
    };
    checkBox(TwoColorCheckBox, Control::TwoColorCheckBox, &Session::TwoColorCheckBoxClick);
    checkBox(SingleShadeBgCheckBox, Control::SingleShadeBgCheckBox,
             &Session::SingleShadeBgCheckBoxClick);
    checkBox(TwoColCheckBox, Control::TwoColCheckBox, &Session::TwoColCheckBoxClick);
    connect(DictCheckBox, &QCheckBox::clicked, this, [this](bool checked) {
        m_session->controls.setChecked(Control::DictCheckBox, checked);
    });
    connect(BGColorButtons, &QButtonGroup::idClicked, this, [this](int item) {
        handle([this, item] {
            m_session->controls.setPosition(Control::BGColorRadioGroup, item);
            m_session->BGColorRadioGroupClick(item);
        });
    });
    connect(FontSizeTrackBar, &QSlider::valueChanged, this, [this](int position) {
        handle([this, position] {
            m_session->controls.setPosition(Control::FontSizeTrackBar, position);
            m_session->FontSizeTrackBarChange(position);
        });
    });
    connect(FontSizeUpDown, &UpDown::clicked, this, [this](int position) {
        handle([this, position] {
            m_session->controls.setPosition(Control::FontSizeUpDown, position);
            m_session->FontSizeUpDownClick(position);
        });
    });

    trigger(OpenTVTItem, &Session::OpenTVTItemClick);
    trigger(OpenTOCItem, &Session::OpenTOCItemClick);
    trigger(SaveScreenItem, &Session::SaveScreenItemClick);
    trigger(ExitItem, &Session::ExitItemClick);
    trigger(FindItem, &Session::FindItemClick);
    trigger(BMDeleteItem, &Session::BMDeleteItemClick);
    trigger(BMGOItem, &Session::BMGOItemClick);
    trigger(HideControlPanelItem, &Session::HideControlPanelItemClick);
    trigger(ShowControlPanelItem, &Session::ShowControlPanelItemClick);
    // Opening the Bookmarks menu locates the text's section; adding by the shortcut, with the
    // menu closed, locates it first in the same way, so the entry lands in the right section.
    connect(BMMenu, &QMenu::aboutToShow, this, [this] {
        m_bmMenuLocated = true;
        handle([this] { m_session->BMMenuClick(); });
    });
    connect(BMMenu, &QMenu::aboutToHide, this, [this] {
        // The chosen item's action runs after the menu has closed.
        QTimer::singleShot(0, this, [this] { m_bmMenuLocated = false; });
    });
    connect(BMAddItem, &QAction::triggered, this, [this] {
        if (!m_session->controls.visible(Control::BMMenu)) return;
        const bool locate = !m_bmMenuLocated;
        handle([this, locate] {
            if (locate) m_session->BMMenuClick();
            m_session->BMAddItemClick();
        });
    });
    connect(HempMenu, &QMenu::aboutToShow, this,
            [this] { handle([this] { m_session->HempMenuClick(); }); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setObjectName("HelpShortcut");
    connect(help, &QShortcut::activated, this,
            [this] { handle([this] { m_session->HempMenuClick(); }); });

    // The contents tree.
    connect(TOCTreeView, &TocTree::userClicked, this, [this] {
        const int i = tocIndexOf(TOCTreeView->currentItem());
        handle([this, i] {
            m_session->TOCTreeViewClick(i >= 0 ? std::optional<int>(i) : std::nullopt);
        });
    });
    connect(TOCTreeView, &TocTree::userDoubleClicked, this, [this] {
        const int i = tocIndexOf(TOCTreeView->currentItem());
        handle([this, i] {
            m_session->TOCTreeViewDblClick(i >= 0 ? std::optional<int>(i) : std::nullopt);
        });
    });
    connect(TOCTreeView, &QTreeWidget::itemExpanded, this, [this] {
        if (!m_treeBuilding) handle([this] { m_session->TOCTreeViewExpanded(); });
    });
    connect(TOCTreeView, &QTreeWidget::itemCollapsed, this, [this] {
        if (!m_treeBuilding) handle([this] { m_session->TOCTreeViewCollapsed(); });
    });

    connect(InxTreeView, &IndexTree::userClicked, this, [this] {
        const int node = m_indexModel->nodeOf(InxTreeView->currentIndex());
        handle([this, node] {
            m_session->InxTreeViewClick(node >= 0 ? std::optional<int>(node) : std::nullopt);
        });
    });

    connect(FindDialog1, &FindDialog::find, this,
            [this](const QString& text, bool down, bool matchCase) {
                const std::string bytes = toCp1252(text);
                handle([this, bytes, down, matchCase] {
                    m_session->FindDialog1Find(bytes, down, matchCase);
                });
            });
    connect(FindDialog1, &QDialog::finished, this,
            [this] { m_session->findDialogShowing = false; });

    connect(Image1, &ReadingPage::pageSteps, this, [this](int steps) {
        handle([this, steps] {
            for (int i = 0; i < steps; ++i)
                m_session->ShowNextPage();
            for (int i = 0; i > steps; --i)
                m_session->ShowPreviousPage();
        });
    });

    // The Reading page and the Control page bring each other forward.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (m_coupling || PageControl1->currentWidget() != ReadTabSheet || !m_created) return;
        m_coupling = true;
        handle([this] { m_session->ReadTabSheetEnter(); });
        m_coupling = false;
    });
    connect(PageControl2, &QTabWidget::currentChanged, this, [this] {
        if (m_coupling || PageControl2->currentWidget() != ControlsTabSheet || !m_created) return;
        m_coupling = true;
        handle([this] { m_session->ControlsTabSheetEnter(); });
        m_coupling = false;
    });
    (void)s;
}

void TForm1::create(const StartUp& startUp) {
    const bool collection = isCollectionFile(startUp.argument);
    if (collection) m_startUpCollection = startUp.argument;
    const std::string text = collection ? std::string() : startUp.argument;
    handle([this, &startUp, &text] {
        m_session->FormCreate(startUp.exePath, startUp.dataFolder, text);
    });
    m_created = true;
    Form4 = new TForm4(this);
    Form4->hide();
}

const QImage& TForm1::pageImage() const {
    return m_surface->image();
}

bool TForm1::handle(const std::function<void()>& handler) {
    const bool ok = m_session->run(handler);
    if (m_pageDirty) {
        m_pageDirty = false;
        Image1->setAccessibleDescription(pageText());
    }
    return ok;
}

QString TForm1::pageText() const {
    const Session& s = *m_session;
    const int count = static_cast<int>(s.displayLines.size());
    const int first = std::clamp(s.topLine, 0, count);
    const int last = std::clamp(s.nextTopLine, first, count);
    QStringList lines;
    for (int i = first; i < last; ++i) {
        const std::string text = removeTags(s.displayLines[static_cast<std::size_t>(i)]);
        lines << fromCp1252(text).trimmed();
    }
    return lines.join('\n');
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Key preview: every key press meant for this window reaches the page keys first and goes
    // no further, so no control of the window moves on a key. Shortcuts are separate events
    // and still work; other windows (dialogs, menus, message boxes) get their own typing.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const MenuKey menu = menuKey(*static_cast<QKeyEvent*>(event));
            if (menu == MenuKey::Used) return true;
            if (menu == MenuKey::PassOn) return QMainWindow::eventFilter(watched, event);
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            int code = key->key();
            if (code == Qt::Key_PageDown)
                code = 34;
            else if (code == Qt::Key_PageUp)
                code = 33;
            handle([this, code] { m_session->FormKeyDown(code); });
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Resize && m_created) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        if (watched == Client) {
            handle([this, size] { m_session->FormResize(size.width(), size.height()); });
        } else if (watched == ReadTabSheet->parentWidget()) {
            // The page control sizes only its current page. The reading page is drawn at the
            // page control's size even while another page is in front; it gets its own
            // resize, and is redrawn, when it comes to the front.
            m_surface->resize(size.width(), size.height());
            if (PageControl1->currentWidget() != ReadTabSheet) ReadTabSheet->resize(size);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// The menu keys are system keys that never reach the page keys: keys held with Alt go on to
// the menu bar and the shortcuts; F10, and Alt pressed and released alone, open the menu bar
// at its first menu (unless the menu bar already follows the keys: then Alt leaves it).
TForm1::MenuKey TForm1::menuKey(const QKeyEvent& key) {
    const bool press = key.type() == QEvent::KeyPress;
    if (key.key() == Qt::Key_Alt) {
        if (press) {
            m_altAlone = !key.isAutoRepeat();
            return MenuKey::PassOn;
        }
        const bool barBusy = menuBar()->hasFocus() || QApplication::activePopupWidget();
        if (!std::exchange(m_altAlone, false) || barBusy) return MenuKey::PassOn;
        menuBar()->setActiveAction(FileMenu->menuAction());
        return MenuKey::Used;
    }
    if (!press) return MenuKey::None;
    m_altAlone = false;
    if (key.key() == Qt::Key_F10 && key.modifiers() == Qt::NoModifier) {
        menuBar()->setActiveAction(FileMenu->menuAction());
        return MenuKey::Used;
    }
    return key.modifiers() & Qt::AltModifier ? MenuKey::PassOn : MenuKey::None;
}

void TForm1::readPageResized(QSize size) {
    Image1->setGeometry(0, 0, size.width(), size.height());
    m_surface->resize(size.width(), size.height());
    if (m_created) handle([this] { m_session->ReadTabSheetResize(); });
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_activated || !m_created) return;
    m_activated = true;
    // The outer size is held to the minimum; with a window manager the frame may come later.
    const QSize frame = frameGeometry().size() - geometry().size();
    setMinimumSize(std::max(0, 400 - frame.width()), std::max(0, 450 - frame.height()));
    frameMayBeKnown();
    handle([this] { m_session->FormActivate(); });
    // From the event loop, once the window is on the screen, so that a message it shows has
    // the window behind it.
    if (m_startUpCollection)
        QTimer::singleShot(
            0, this, [this, path = *std::exchange(m_startUpCollection, {})] { openFile(path); });
}

// A window manager frames the window after it is shown; the frame arrives with a move or a
// resize of the window.
void TForm1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    frameMayBeKnown();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    frameMayBeKnown();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!m_closed && m_created) {
        m_closed = true;
        handle([this] { m_session->FormClose(); });
    }
    event->accept();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    openFile(toLocalPath(urls.first().toLocalFile()));
}

void TForm1::openFile(const std::string& path) {
    qm::openNamedFile(*m_session, path, m_openAnswer,
                      [this](const std::function<void()>& handler) { return handle(handler); });
}

} // namespace qm
