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
#include "ui/FormParts.h"
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
    // A display frame after the reading page has painted (its frame is on the screen by then,
    // and the work does not compete with the display for the processor), the next page is
    // drawn ahead on the spare surface: PageDown then only takes it over. A key pressed
    // sooner finds no page drawn ahead and draws it.
    m_spare = m_surface->makeSpare();
    m_session->setSpareSurface(m_spare.get());
    m_prepareTimer = new QTimer(this);
    m_prepareTimer->setSingleShot(true);
    m_prepareTimer->setInterval(16);
    connect(m_prepareTimer, &QTimer::timeout, this, [this] {
        m_surface->lendImage(*m_spare);
        m_session->run([this] { m_session->prepareNextPage(); });
    });

    Client = new QWidget(this);
    Client->setObjectName("Client");
    setCentralWidget(Client);
    buildPages();
    buildControlPage();
    // The Options and Index pages get their controls when first shown or asked for.
    OptionsTabSheet = named(new Sheet(PageControl2), "OptionsTabSheet", "Options");
    PageControl2->addTab(OptionsTabSheet, "Options");
    IndexTabSheet = named(new Sheet(PageControl2), "IndexTabSheet", "Index");
    connect(IndexTabSheet, &Sheet::resized, this, [this](QSize) { layoutIndexPage(); });
    PageControl2->addTab(IndexTabSheet, "Index");
    buildMenus();
    buildReadAloud();
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
    if (m_index) m_index->InxTreeView->setModel(nullptr);
    m_session.reset();
}

void TForm1::buildPages() {
    PageControl1 = named(new QTabWidget(Client), "PageControl1", "PageControl1");
    PageControl1->setGeometry(0, 0, 505, 457);
    // Each page is made inside its page control, so its controls have the window's font from
    // the start: a page made without a parent would lay its texts out in the application's
    // default font first (a font of its own to look up and load), and again when added.

    TOCTabSheet = named(new Sheet(PageControl1), "TOCTabSheet", "Table Of Contents");
    // The contents tree is made when the page first comes forward (tocTree()), with the
    // page's font already in place: setting a font on a made tree makes its (hidden) header
    // measure the font at once, loading a font the settings replace.
    QFont tocFont("Liberation Serif");
    tocFont.setPixelSize(13);
    TOCTabSheet->setFont(tocFont);
    connect(TOCTabSheet, &Sheet::resized, this, [this](QSize s) {
        if (m_tocTree) m_tocTree->setGeometry(0, 0, s.width(), s.height());
    });
    PageControl1->addTab(TOCTabSheet, "Table Of Contents");

    ReadTabSheet = named(new Sheet(PageControl1), "ReadTabSheet", "Reading");
    Image1 = named(new ReadingPage(ReadTabSheet), "Image1", "Reading page");
    Image1->setImage([this]() -> const QImage& { return m_surface->image(); });
    Image1->setPagePainter([this](QPainter& painter, const QRect& area) {
        return m_surface->paintPage(painter, area);
    });
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
    RecentBooksMenu = FileMenu->addMenu("Recent Books");
    RecentBooksMenu->setObjectName("RecentBooksMenu");
    RecentBooksMenu->setEnabled(false);
    LayOutAgainItem = namedAction(FileMenu->addAction("Lay out again"), "LayOutAgainItem");
    LayOutAgainItem->setEnabled(false);
    N1 = separator(FileMenu, "N1");
    SaveScreenItem = namedAction(FileMenu->addAction("Save Screen as Text File"), "SaveScreenItem");
    SaveScreenItem->setShortcut(QKeySequence("Ctrl+S"));
    ExportItem = namedAction(FileMenu->addAction(QString::fromUtf8("Export\u2026")), "ExportItem");
    ExportItem->setShortcut(QKeySequence("Ctrl+E"));
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
