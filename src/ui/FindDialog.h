#pragma once
// The find dialog: modeless, with a find text, "Match case", "Whole word" and the direction.
// "Find Next" reports the current text and options; the window runs the find step.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qm {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QLineEdit* findText;
    QCheckBox* matchCase;
    QCheckBox* wholeWord;
    QRadioButton* up;
    QRadioButton* down;
    QPushButton* findNext;
    QPushButton* cancel;

signals:
    void find(const QString& text, bool down, bool matchCase);
};

} // namespace qm
