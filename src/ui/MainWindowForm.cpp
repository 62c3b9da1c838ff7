// The main window's form: its controls, pages and menus with their object names, sizes and
// texts, as the window is designed. The handlers are in MainWindow.cpp, the view port in
// MainWindowPort.cpp.
#include "ui/MainWindow.h"

#include "core/base/Error.h"
#include "core/index/IndexTree.h"
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
#include <QHeaderView>
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
    // The text is laid out in the memo's font from the first line on, not in the
    // application's default font that a new document starts with.
    edit->document()->setDefaultFont(edit->font());
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
    // Nothing drawn before the window is first shown can be seen: the first activation lays
    // the window out and draws the whole page again. Until then the surface only measures.
    m_surface->setHeld(true);
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
    // Each page is made inside its page control, so its controls have the window's font from
    // the start: a page made without a parent would lay its texts out in the application's
    // default font first (a font of its own to look up and load), and again when added.

    TOCTabSheet = named(new Sheet(PageControl1), "TOCTabSheet", "Table Of Contents");
    // The tree is made with its font already in place: setting a font on a made tree makes
    // its (hidden) header measure the font at once, loading a font the settings replace
    // before anything is shown.
    QFont tocFont("Liberation Serif");
    tocFont.setPixelSize(13);
    TOCTabSheet->setFont(tocFont);
    TOCTreeView = named(new TocTree(TOCTabSheet), "TOCTreeView", "Table Of Contents");
    TOCTreeView->setHeaderHidden(true);
    // The hidden header's one section stretches over the tree; left to itself, its minimum
    // width is measured from the font's widest glyph whenever the font changes, loading the
    // font of a tree not shown yet (the settings give it its size before the first frame).
    TOCTreeView->header()->setMinimumSectionSize(0);
    TOCTreeView->setIndentation(19);
    TOCTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TOCTreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(TOCTabSheet, &Sheet::resized, TOCTreeView,
            [this](QSize s) { TOCTreeView->setGeometry(0, 0, s.width(), s.height()); });
    PageControl1->addTab(TOCTabSheet, "Table Of Contents");

    ReadTabSheet = named(new Sheet(PageControl1), "ReadTabSheet", "Reading");
    Image1 = named(new ReadingPage(ReadTabSheet), "Image1", "Reading page");
    Image1->setImage([this]() -> const QImage& { return m_surface->image(); });
    connect(ReadTabSheet, &Sheet::resized, this, &TForm1::readPageResized);
    PageControl1->addTab(ReadTabSheet, "Reading");

    AboutTabSheet = named(new Sheet(PageControl1), "AboutTabSheet", "About");
    ProgramIcon = named(new PictureBox(AboutTabSheet), "ProgramIcon", "Quillmar logo");
    // The picture is white until the logo is drawn on it. Only its top-left part, the size of
    // the control, is ever shown, so it grows with the control instead of starting at the
    // screen's size.
    ProgramIcon->setBlankColour(Qt::white);
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

    LogoHoldingTabSheet = named(new Sheet(PageControl1), "LogoHoldingTabSheet", "LogoHolding");
    Image3 = named(new PictureBox(LogoHoldingTabSheet), "Image3", "Logo");
    Image3->setPicture(logoPicture(kLogoSide));
    Image3->setGeometry(0, 0, 200, 200);
    Image3->hide();
    const int logoTab = PageControl1->addTab(LogoHoldingTabSheet, "LogoHolding");
    PageControl1->setTabVisible(logoTab, false);
    PageControl1->setCurrentWidget(AboutTabSheet);

    PageControl2 = named(new QTabWidget(Client), "PageControl2", "Control panel");
    PageControl2->setGeometry(512, 0, 200, 433);
}

void TForm1::buildControlPage() {
    ControlsTabSheet = named(new Sheet(PageControl2), "ControlsTabSheet", "Control");
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
    OptionsTabSheet = named(new Sheet(PageControl2), "OptionsTabSheet", "Options");
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
    IndexTabSheet = named(new Sheet(PageControl2), "IndexTabSheet", "Index");
    QWidget* page = IndexTabSheet;
    InxTreeView = named(new IndexTree(page), "InxTreeView", "Index");
    m_indexModel = new IndexModel(m_session->indexNodes(), this);
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
    QStringList instructions;
    for (const std::string& line : indexInstructionLines())
        instructions << QString::fromStdString(line);
    setMemoLines(Memo2, instructions);
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
    LayOutAgainItem = namedAction(FileMenu->addAction("Lay out again"), "LayOutAgainItem");
    LayOutAgainItem->setEnabled(false);
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

} // namespace qm
