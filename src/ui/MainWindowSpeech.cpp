// Read Aloud in the window: its menu, the Control page's button, clicks on the reading page,
// the Voice dialog and the speech engine the session speaks through.
#include "ui/MainWindow.h"

#include "ui/FormParts.h"
#include "ui/SpeechDispatcher.h"
#include "ui/VoiceDialog.h"
#include "ui/Widgets.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace qm {

void TForm1::buildReadAloud() {
    ReadAloudMenu = new QMenu("Read Aloud", menuBar());
    ReadAloudMenu->setObjectName("ReadAloudMenu");
    menuBar()->insertMenu(HempMenu->menuAction(), ReadAloudMenu);
    const auto item = [this](const QString& caption, const char* name, const char* keys) {
        QAction* action = namedAction(ReadAloudMenu->addAction(caption), name);
        if (*keys) action->setShortcut(QKeySequence(keys));
        return action;
    };
    ReadAloudStartItem = item("Start/Pause", "ReadAloudStartItem", "F5");
    ReadAloudStopItem = item("Stop", "ReadAloudStopItem", "Shift+F5");
    separator(ReadAloudMenu, "N4");
    ReadAloudFasterItem = item("Faster", "ReadAloudFasterItem", "Ctrl+Shift+Up");
    ReadAloudSlowerItem = item("Slower", "ReadAloudSlowerItem", "Ctrl+Shift+Down");
    separator(ReadAloudMenu, "N5");
    ReadAloudVoiceItem = item(QString::fromUtf8("Voice\u2026"), "ReadAloudVoiceItem", "");

    // Below the Exit button, where the Control page has room at the window's smallest size.
    ReadAloudButton = named(new QPushButton("Read Aloud", ControlsTabSheet), "ReadAloudButton",
                            "Read Aloud");
    ReadAloudButton->setGeometry(8, 352, 169, 25);

    m_speech = std::make_unique<SpeechDispatcher>(
        [this](const std::function<void()>& handler) { return handle(handler); });
    m_session->setSpeechEngine(m_speech.get());
}

void TForm1::connectReadAloud() {
    const auto trigger = [this](QAction* action, void (Session::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { handle([this, handler] { (m_session.get()->*handler)(); }); });
    };
    trigger(ReadAloudStartItem, &Session::ReadAloudStartItemClick);
    trigger(ReadAloudStopItem, &Session::ReadAloudStopItemClick);
    trigger(ReadAloudFasterItem, &Session::ReadAloudFasterItemClick);
    trigger(ReadAloudSlowerItem, &Session::ReadAloudSlowerItemClick);
    trigger(ReadAloudVoiceItem, &Session::ReadAloudVoiceItemClick);
    connect(ReadAloudButton, &QPushButton::clicked, this,
            [this] { handle([this] { m_session->ReadAloudStartItemClick(); }); });
    connect(Image1, &ReadingPage::clicked, this, [this](QPoint at) {
        handle([this, at] { m_session->ReadingPageClick(at.x(), at.y()); });
    });
    connect(Image1, &ReadingPage::doubleClicked, this, [this](QPoint at) {
        handle([this, at] { m_session->ReadingPageDblClick(at.x(), at.y()); });
    });
}

void TForm1::setSpeechEngine(std::unique_ptr<speech::SpeechEngine> engine) {
    m_session->setSpeechEngine(engine.get());
    m_speech = std::move(engine);
}

std::optional<VoiceChoice> TForm1::chooseVoice(std::function<std::vector<std::string>()> voices,
                                               const VoiceChoice& current) {
    VoiceDialog dialog(std::move(voices), current, this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

} // namespace qm
