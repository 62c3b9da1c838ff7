// The main window as the core's view port: control state, pages, trees and dialogs.
#include "core/shell/WindowPlacement.h"
#include "ui/BookmarkDialog.h"
#include "ui/Cp1252.h"
#include "ui/ExportDialog.h"
#include "ui/FindDialog.h"
#include "ui/IndexModel.h"
#include "ui/MainWindow.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QTextEdit>

#include <algorithm>
#include <utility>

namespace qm {

namespace {

// "Name|*.a;*.b|Other|*.c" becomes "Name (*.a *.b);;Other (*.c)".
QString qtFilter(const std::string& filter) {
    const QStringList parts = fromCp1252(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out.join(";;");
}

// Menu texts show "&" literally.
QString menuText(const std::string& caption) {
    return fromCp1252(caption).replace('&', "&&");
}

} // namespace

QWidget* TForm1::widgetFor(Control c) const {
    switch (c) {
    case Control::PrevButton:
        return PrevButton;
    case Control::NextButton:
        return NextButton;
    case Control::ExitButton:
        return ExitButton;
    case Control::PosLabel:
        return PosLabel;
    case Control::BookPosProgressBar:
        return BookPosProgressBar;
    case Control::FontSizeLabel:
        return FontSizeLabel;
    case Control::FontSizeTrackBar:
        return FontSizeTrackBar;
    case Control::FontSizeUpDown:
        return FontSizeUpDown;
    case Control::BGColorRadioGroup:
        return m_options ? m_options->BGColorRadioGroup : nullptr;
    case Control::SingleShadeBgCheckBox:
        return m_options ? m_options->SingleShadeBgCheckBox : nullptr;
    case Control::TwoColorCheckBox:
        return m_options ? m_options->TwoColorCheckBox : nullptr;
    case Control::TwoColCheckBox:
        return m_options ? m_options->TwoColCheckBox : nullptr;
    case Control::DictCheckBox:
        return m_options ? m_options->DictCheckBox : nullptr;
    case Control::PrintColButton:
        return m_options ? m_options->PrintColButton : nullptr;
    case Control::LoadingPrintColLabel:
        return m_options ? m_options->LoadingPrintColLabel : nullptr;
    case Control::IndexPanel:
        return m_index ? m_index->IndexPanel : nullptr;
    case Control::IndexMemo:
        return m_index ? m_index->IndexMemo : nullptr;
    case Control::IndexLoadButton:
        return m_index ? m_index->IndexLoadButton : nullptr;
    case Control::LoadingIndexLabel:
        return m_index ? m_index->LoadingIndexLabel : nullptr;
    case Control::InxTreeView:
        return m_index ? m_index->InxTreeView : nullptr;
    case Control::SearchingIndexLabel:
        return m_index ? m_index->SearchingIndexLabel : nullptr;
    default:
        return nullptr;
    }
}

QAction* TForm1::actionFor(Control c) const {
    switch (c) {
    case Control::BMMenu:
        return BMMenu->menuAction();
    case Control::BMDeleteItem:
        return BMDeleteItem;
    case Control::BMGOItem:
        return BMGOItem;
    case Control::HideControlPanelItem:
        return HideControlPanelItem;
    case Control::ShowControlPanelItem:
        return ShowControlPanelItem;
    case Control::LayOutAgainItem:
        return LayOutAgainItem;
    default:
        return nullptr;
    }
}

void TForm1::setCaption(const std::string& caption) {
    setWindowTitle(fromCp1252(caption));
}

void TForm1::setApplicationTitle(const std::string& title) {
    // Kept for the message boxes' title; Qt would append a display name to every caption.
    m_applicationTitle = title;
}

void TForm1::showMessage(const std::string& message) {
    const QString title =
        m_applicationTitle.empty() ? QString("Quillmar") : fromCp1252(m_applicationTitle);
    QMessageBox box(QMessageBox::NoIcon, title, fromCp1252Message(message), QMessageBox::Ok, this);
    box.setObjectName("MessageBox");
    box.exec();
}

bool TForm1::askYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Question, fromCp1252(caption), fromCp1252Message(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("QuestionBox");
    return box.exec() == QMessageBox::Yes;
}

void TForm1::setEnabled(Control c, bool on) {
    if (keptForLater(c, Change::Enabled, [this, c, on] { setEnabled(c, on); })) return;
    if (QWidget* w = widgetFor(c))
        w->setEnabled(on);
    else if (QAction* a = actionFor(c))
        a->setEnabled(on);
}

void TForm1::setVisible(Control c, bool on) {
    if (keptForLater(c, Change::Visible, [this, c, on] { setVisible(c, on); })) return;
    if (QWidget* w = widgetFor(c)) {
        w->setVisible(on);
        if (c == Control::SearchingIndexLabel || c == Control::InxTreeView) layoutIndexPage();
    } else if (QAction* a = actionFor(c)) {
        a->setVisible(on);
    }
}

void TForm1::setText(Control c, const std::string& text) {
    if (keptForLater(c, Change::Text, [this, c, text] { setText(c, text); })) return;
    const QString t = fromCp1252(text);
    QWidget* w = widgetFor(c);
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(t);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(t);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(t);
    else if (QAction* a = actionFor(c))
        a->setText(menuText(text));
    else
        return;
    if (w) w->setAccessibleName(t);
}

void TForm1::setChecked(Control c, bool on) {
    if (keptForLater(c, Change::Checked, [this, c, on] { setChecked(c, on); })) return;
    if (auto* box = qobject_cast<QAbstractButton*>(widgetFor(c))) {
        const QSignalBlocker blocker(box);
        box->setChecked(on);
    }
}

void TForm1::setPosition(Control c, int position) {
    if (keptForLater(c, Change::Position, [this, c, position] { setPosition(c, position); }))
        return;
    switch (c) {
    case Control::FontSizeTrackBar: {
        const QSignalBlocker blocker(FontSizeTrackBar);
        FontSizeTrackBar->setValue(position);
        break;
    }
    case Control::FontSizeUpDown:
        FontSizeUpDown->setPosition(position);
        break;
    case Control::BGColorRadioGroup: {
        QButtonGroup* buttons = m_options->BGColorButtons;
        const QSignalBlocker blocker(buttons);
        // Item -1 selects nothing: the group must allow an empty choice for a moment.
        buttons->setExclusive(false);
        for (QAbstractButton* b : buttons->buttons())
            b->setChecked(buttons->id(b) == position);
        buttons->setExclusive(true);
        break;
    }
    case Control::BookPosProgressBar:
        BookPosProgressBar->setValue(
            std::clamp(position, BookPosProgressBar->minimum(), BookPosProgressBar->maximum()));
        break;
    default:
        break;
    }
}

void TForm1::setProgress(int maximum, int position) {
    BookPosProgressBar->setRange(0, std::max(0, maximum));
    BookPosProgressBar->setValue(std::clamp(position, 0, std::max(0, maximum)));
}

void TForm1::setLines(Control c, const Lines& lines) {
    if (keptForLater(c, Change::MemoLines, [this, c, lines] { setLines(c, lines); })) return;
    auto* edit = qobject_cast<QTextEdit*>(widgetFor(c));
    if (!edit) return;
    QStringList list;
    for (const std::string& line : lines)
        list << fromCp1252(line);
    edit->setPlainText(list.join('\n'));
}

void TForm1::repaintNow(Control c) {
    if (QWidget* w = widgetFor(c)) w->repaint();
}

void TForm1::showPage(Page page) {
    switch (page) {
    case Page::TOCTabSheet:
        PageControl1->setCurrentWidget(TOCTabSheet);
        break;
    case Page::ReadTabSheet:
        PageControl1->setCurrentWidget(ReadTabSheet);
        break;
    case Page::AboutTabSheet:
        PageControl1->setCurrentWidget(AboutTabSheet);
        break;
    case Page::ControlsTabSheet:
        PageControl2->setCurrentWidget(ControlsTabSheet);
        break;
    case Page::OptionsTabSheet:
        PageControl2->setCurrentWidget(OptionsTabSheet);
        break;
    case Page::IndexTabSheet:
        PageControl2->setCurrentWidget(IndexTabSheet);
        break;
    }
}

void TForm1::setTabVisible(Page page, bool visible) {
    auto set = [visible](QTabWidget* tabs, QWidget* sheet) {
        tabs->setTabVisible(tabs->indexOf(sheet), visible);
    };
    switch (page) {
    case Page::TOCTabSheet:
        set(PageControl1, TOCTabSheet);
        break;
    case Page::ReadTabSheet:
        set(PageControl1, ReadTabSheet);
        break;
    case Page::AboutTabSheet:
        set(PageControl1, AboutTabSheet);
        break;
    case Page::ControlsTabSheet:
        set(PageControl2, ControlsTabSheet);
        break;
    case Page::OptionsTabSheet:
        set(PageControl2, OptionsTabSheet);
        break;
    case Page::IndexTabSheet:
        set(PageControl2, IndexTabSheet);
        break;
    }
}

void TForm1::pageDrawn() {
    // The page's text is described once the handler has stored where the page ends.
    m_pageDirty = true;
    m_onlyPartsChanged = false;
    Image1->update();
}

void TForm1::pagePartsDrawn(const std::vector<Rect>& parts) {
    m_onlyPartsChanged = true;
    for (const Rect& r : parts)
        Image1->update(r.left, r.top, r.width, r.height);
}

void TForm1::applyLayout(const WindowLayout& l) {
    auto place = [](QWidget* w, const Rect& r) {
        w->setGeometry(r.left, r.top, r.width, r.height);
    };
    place(PageControl1, l.pageControl1);
    place(PageControl2, l.pageControl2);
    place(ProgramIcon, l.programIcon);
    place(BookTitleLabel, l.bookTitleLabel);
    place(Memo1, l.memo1);
    place(OKButton, l.okButton);
    // The logo is drawn scaled into the picture's visible part; the rest of the picture
    // keeps what it held.
    if (l.programIcon.width > 0 && l.programIcon.height > 0) {
        QPainter painter(
            &ProgramIcon->pictureCovering(QSize(l.programIcon.width, l.programIcon.height)));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, l.programIcon.width, l.programIcon.height),
                          Image3->picture());
    }
    ProgramIcon->update();
}

void TForm1::setWindowBounds(const Rect& requested) {
    // The bounds are the outer frame's, kept on a screen. Until the window manager has framed
    // the window the frame counts as nothing, and the bounds are fitted again once it is
    // known, so that the bounds saved at close are those applied here. That holds while the
    // window is shown too: a book opened at start-up applies its collection's bounds in the
    // moment between the window's showing and its framing, and fitted once they would make it
    // grow by its frame at every start.
    std::vector<Rect> screens;
    QList<QScreen*> all = QGuiApplication::screens();
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        all.removeAll(primary);
        all.prepend(primary);
    }
    for (const QScreen* screen : all) {
        const QRect g = screen->availableGeometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const Rect bounds = placeOnScreens(requested, screens);
    const QSize frame = frameGeometry().size() - geometry().size();
    m_boundsAwaitingFrame.reset();
    if (frame.isEmpty()) awaitFrame(bounds);
    fitFrameTo(bounds);
}

void TForm1::awaitFrame(const Rect& bounds) {
    m_boundsAwaitingFrame = bounds;
    if (!m_frameTimer) {
        m_frameTimer = new QTimer(this);
        m_frameTimer->setInterval(50);
        connect(m_frameTimer, &QTimer::timeout, this, [this] {
            // Ten seconds at most: a window without a window manager never gets a frame.
            if (!m_boundsAwaitingFrame || ++m_frameChecks > 200) {
                m_frameTimer->stop();
                return;
            }
            frameMayBeKnown();
        });
    }
    m_frameChecks = 0;
    m_frameTimer->start();
}

void TForm1::fitFrameTo(const Rect& bounds) {
    const QSize frame = frameGeometry().size() - geometry().size();
    move(bounds.left, bounds.top);
    resize(std::max(bounds.width, 400) - frame.width(),
           std::max(bounds.height, 450) - frame.height());
    // The outer size is held to the minimum.
    setMinimumSize(std::max(0, 400 - frame.width()), std::max(0, 450 - frame.height()));
}

void TForm1::frameMayBeKnown() {
    if (!m_boundsAwaitingFrame || !isVisible()) return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty()) return;
    fitFrameTo(*std::exchange(m_boundsAwaitingFrame, std::nullopt));
}

Rect TForm1::windowBounds() const {
    // A frame that came after the last fit is not yet in the bounds asked for: counted now,
    // it would be added to them at every start.
    const QRect r = frameGeometry();
    if (m_boundsAwaitingFrame && r.size() != geometry().size()) return *m_boundsAwaitingFrame;
    return {r.left(), r.top(), r.width(), r.height()};
}

void TForm1::setRecentBooks(const std::vector<std::string>& titles) {
    // The item chosen may be the one running this: the old items go once it has returned.
    for (QAction* old : RecentBooksMenu->actions()) {
        RecentBooksMenu->removeAction(old);
        old->deleteLater();
    }
    for (std::size_t i = 0; i < titles.size(); ++i) {
        QAction* item = RecentBooksMenu->addAction(menuText(titles[i]));
        item->setObjectName(QString("RecentBook%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] {
            handle([this, i] { m_session->RecentBookItemClick(static_cast<int>(i)); });
        });
    }
    RecentBooksMenu->setEnabled(!titles.empty());
}

void TForm1::closeWindow() {
    close();
}

std::optional<std::string> TForm1::chooseOpenFile(const std::string& filter,
                                                  const std::string& defaultExtension,
                                                  const std::string& title,
                                                  const std::string& fileName) {
    if (m_openAnswer) {
        std::optional<std::string> answer = std::move(m_openAnswer);
        m_openAnswer.reset();
        return answer;
    }
    QFileDialog dialog(this, fromCp1252(title));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(qtFilter(filter));
    dialog.setDefaultSuffix(fromCp1252(defaultExtension));
    if (!fileName.empty()) {
        const QFileInfo info(fromLocalPath(fileName));
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return toLocalPath(dialog.selectedFiles().first());
}

std::optional<std::string> TForm1::chooseSaveFile(const std::string& defaultExtension) {
    QFileDialog dialog(this);
    dialog.setObjectName("SaveDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(fromCp1252(defaultExtension));
    // Saving replaces a file of that name without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return toLocalPath(dialog.selectedFiles().first());
}

std::optional<ViewPort::ExportChoice> TForm1::chooseExportFile(const std::string& suggestedPath) {
    return askExportFile(this, suggestedPath);
}

std::string TForm1::askBookmarkName() {
    if (!Form4) Form4 = new TForm4(this);
    Form4->exec();
    return toCp1252(Form4->Edit1->text());
}

std::optional<int> TForm1::popupBookmarks(const std::vector<std::string>& captions, int x, int y) {
    BMPopupMenu->clear();
    std::vector<QAction*> items;
    items.reserve(captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i) {
        QAction* a = BMPopupMenu->addAction(menuText(captions[i]));
        a->setObjectName(QString("bm%1").arg(i, 2, 10, QChar('0')));
        items.push_back(a);
    }
    QAction* chosen = BMPopupMenu->exec(QPoint(x, y));
    const auto it = std::find(items.begin(), items.end(), chosen);
    if (!chosen || it == items.end()) return std::nullopt;
    return static_cast<int>(it - items.begin());
}

void TForm1::showFindDialog(int x, int y) {
    FindDialog& dialog = findDialog();
    dialog.move(x, y);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void TForm1::closeFindDialog() {
    if (FindDialog1) FindDialog1->hide();
}

} // namespace qm
