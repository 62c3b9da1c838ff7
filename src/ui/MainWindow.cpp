// The main window's handlers: each event of a control or of the window goes to one session
// method through handle(), which reports a failure as the application's error report does.
#include "ui/MainWindow.h"

#include "core/base/Error.h"
#include "core/text/Tags.h"
#include "ui/AppIcon.h"
#include "ui/BookOpening.h"
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
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <utility>

namespace qm {

void TForm1::connectHandlers() {
    connectButtons();
    connectOptions();
    connectMenus();
    connectPages();
    connectReadAloud();
}

void TForm1::connectButtons() {
    auto click = [this](QAbstractButton* button, void (Session::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { handle([this, handler] { (m_session.get()->*handler)(); }); });
    };
    click(OKButton, &Session::OKButtonClick);
    click(PrevButton, &Session::PrevButtonClick);
    click(NextButton, &Session::NextButtonClick);
    click(ExitButton, &Session::ExitButtonClick);
}

void TForm1::connectOptions() {
    // The Options page's controls are connected when they are made (connectOptionsPage).
    connect(FontSizeTrackBar, &QSlider::valueChanged, this, [this](int position) {
        handle([this, position] {
            m_session->setControlPosition(Control::FontSizeTrackBar, position);
            m_session->FontSizeTrackBarChange(position);
        });
    });
    connect(FontSizeUpDown, &UpDown::clicked, this, [this](int position) {
        handle([this, position] {
            m_session->setControlPosition(Control::FontSizeUpDown, position);
            m_session->FontSizeUpDownClick(position);
        });
    });
}

void TForm1::connectMenus() {
    auto trigger = [this](QAction* action, void (Session::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { handle([this, handler] { (m_session.get()->*handler)(); }); });
    };
    trigger(OpenTVTItem, &Session::OpenTVTItemClick);
    trigger(OpenTOCItem, &Session::OpenTOCItemClick);
    trigger(LayOutAgainItem, &Session::LayOutAgainItemClick);
    trigger(SaveScreenItem, &Session::SaveScreenItemClick);
    trigger(ExportItem, &Session::ExportItemClick);
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
        if (!m_session->controls().visible(Control::BMMenu)) return;
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
}

FindDialog& TForm1::findDialog() {
    if (FindDialog1) return *FindDialog1;
    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::find, this,
            [this](const QString& text, bool down, bool matchCase) {
                const std::string bytes = toCp1252(text);
                handle([this, bytes, down, matchCase] {
                    m_session->FindDialog1Find(bytes, down, matchCase);
                });
            });
    connect(FindDialog1, &QDialog::finished, this, [this] { m_session->FindDialog1Close(); });
    return *FindDialog1;
}

void TForm1::connectPages() {
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
}

void TForm1::create(const StartUp& startUp) {
    const bool collection = opensAfterActivation(m_session->fileSystem(), startUp.argument);
    if (collection) m_startUpCollection = startUp.argument;
    const std::string text = collection ? std::string() : startUp.argument;
    handle([this, &startUp, &text] {
        m_session->FormCreate(startUp.exePath, startUp.dataFolder, text);
    });
    // Book files are read off the window's thread.
    m_bookOpening = new BookOpening(*this);
    m_session->setBookOpener([this](const std::string& path) { m_bookOpening->start(path); });
    m_session->setBookRelayer([this](const std::string& key, const std::string& path) {
        m_bookOpening->startRelayout(key, path);
    });
    m_session->setExporter([this](exporting::ExportBook book, exporting::ExportRequest request) {
        m_bookOpening->startExport(std::move(book), std::move(request));
    });
    m_created = true;
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
    const int count = lineCount(s.displayLines());
    const int first = std::clamp(s.topLine(), 0, count);
    const int last = std::clamp(s.nextTopLine(), first, count);
    QStringList lines;
    for (int i = first; i < last; ++i) {
        const std::string text = removeTags(s.displayLines()[static_cast<std::size_t>(i)]);
        lines << fromCp1252(text).trimmed();
    }
    return lines.join('\n');
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Each paint of the page restarts the wait before the next page is drawn ahead.
    // A paint of the band alone leaves the page drawn ahead standing: no wait starts again.
    if (event->type() == QEvent::Paint && watched == Image1 && !m_onlyPartsChanged)
        m_prepareTimer->start();
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
                code = Session::kPageDownKey;
            else if (code == Qt::Key_PageUp)
                code = Session::kPageUpKey;
            handle([this, code] { m_session->FormKeyDown(code); });
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::Show && m_tocTree && watched == m_tocTree) tocTreeShown();
    // A page's controls are made as the page shows, before it is first painted.
    if (event->type() == QEvent::Show && watched == TOCTabSheet) tocTree();
    if (event->type() == QEvent::Show && watched == OptionsTabSheet) options();
    if (event->type() == QEvent::Show && watched == IndexTabSheet) indexPage();
    if (event->type() == QEvent::Resize && m_created) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        if (watched == Client) {
            handle([this, size] { m_session->FormResize(size.width(), size.height()); });
        } else if (watched == ReadTabSheet->parentWidget()) {
            // The page control sizes only its current page. The reading page is drawn at the
            // page control's size even while another page is in front; it gets its own
            // resize, and is redrawn, when it comes to the front.
            m_surface->resize(size.width(), size.height());
            m_spare->resize(size.width(), size.height());
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
    m_spare->resize(size.width(), size.height());
    if (m_created) handle([this] { m_session->ReadTabSheetResize(); });
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    m_surface->setHeld(false);
    // Pages are kept as drawings, and the reading page paints them straight onto the window
    // when it is painted: a page turn copies no page image, and at start-up (the About page in
    // front) the first frame waits for no page. The image is painted when someone asks for it.
    m_surface->setDeferred(true);
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
