#pragma once
// Small steps the main window's form makes its controls with: a name and an accessible name
// for each control, coloured backgrounds, the yellow notice labels and the read-only memos.
#include <QString>
#include <QStringList>

class QAction;
class QColor;
class QLabel;
class QMenu;
class QTextEdit;
class QWidget;

namespace qm {

// Names a control and gives it an accessible name: its caption, or its role.
template <class W> W* named(W* widget, const char* objectName, const QString& accessible) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessible);
    return widget;
}

QAction* namedAction(QAction* action, const char* objectName);
QAction* separator(QMenu* menu, const char* objectName);
void setBackground(QWidget* w, const QColor& colour);
QLabel* yellowLabel(QWidget* parent, const char* name, const QString& text);
// A read-only memo whose lines are centred.
QTextEdit* memo(QWidget* parent, const char* name, const QString& accessible);
void setMemoLines(QTextEdit* edit, const QStringList& lines);

} // namespace qm
