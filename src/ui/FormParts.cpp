#include "ui/FormParts.h"

#include <QAction>
#include <QColor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPalette>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextOption>

namespace qm {

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
    // A new QTextEdit lays its empty document out in the application's font inside its
    // constructor, loading a font that nothing shows; the parent's font (loaded already) stands
    // in for it while the memo is made. Only the application's own font changes, not the fonts
    // of any widget class, and it is back before anything else is made or drawn.
    const QFont application = QGuiApplication::font();
    QGuiApplication::setFont(parent->font());
    auto* edit = named(new QTextEdit(parent), name, accessible);
    QGuiApplication::setFont(application);
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

} // namespace qm
