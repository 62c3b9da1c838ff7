#pragma once
// TForm4, the bookmark name dialog: a small modal window with one edit box. It is created
// once and keeps the last text typed between uses.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
};

} // namespace qm
