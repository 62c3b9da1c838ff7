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
    setFixedSize(320, 96);

    Label1 = new QLabel("BookMark Name: ", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(12, 16, 100, 21);

    Edit1 = new QLineEdit(" ", this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("BookMark Name: ");
    Edit1->setGeometry(112, 14, 196, 24);
    Label1->setBuddy(Edit1);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setAccessibleName("OK");
    Button1->setGeometry(122, 56, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace qm
