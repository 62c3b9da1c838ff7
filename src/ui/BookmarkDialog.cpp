#include "ui/BookmarkDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qm {

TForm4::TForm4(QWidget* parent)
    : QDialog(parent) {
    setObjectName("Form4");
    setWindowTitle("BookMark Name");
    setModal(true);
    QFont font("Liberation Sans");
    font.setPixelSize(11);
    setFont(font);

    Label1 = new QLabel("BookMark Name: ", this);
    Label1->setObjectName("Label1");
    const int labelWidth = Label1->sizeHint().width();
    Label1->setGeometry(12, 16, labelWidth, 21);

    Edit1 = new QLineEdit(" ", this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("BookMark Name: ");
    Edit1->setGeometry(16 + labelWidth, 14, 200, 24);
    Label1->setBuddy(Edit1);

    const int width = 16 + labelWidth + 200 + 12;
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setAccessibleName("OK");
    Button1->setGeometry((width - 75) / 2, 54, 75, 25);
    setFixedSize(width, 92);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace qm
