#include "ui/FindDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qm {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent) {
    setObjectName("FindDialog1");
    setWindowTitle("Find");
    setModal(false);

    auto* label = new QLabel("Fi&nd what:", this);
    findText = new QLineEdit(this);
    findText->setObjectName("FindText");
    findText->setAccessibleName("Find what:");
    label->setBuddy(findText);
    matchCase = new QCheckBox("Match &case", this);
    matchCase->setObjectName("MatchCase");
    wholeWord = new QCheckBox("Match &whole word only", this);
    wholeWord->setObjectName("WholeWord");
    up = new QRadioButton("&Up", this);
    up->setObjectName("Up");
    down = new QRadioButton("&Down", this);
    down->setObjectName("Down");
    down->setChecked(true);
    findNext = new QPushButton("&Find Next", this);
    findNext->setObjectName("FindNext");
    findNext->setDefault(true);
    cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Cancel");

    auto* direction = new QGroupBox("Direction", this);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(findText);
    auto* optionsRow = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(wholeWord);
    checks->addWidget(matchCase);
    optionsRow->addLayout(checks);
    optionsRow->addWidget(direction);
    auto* left = new QVBoxLayout;
    left->addLayout(textRow);
    left->addLayout(optionsRow);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(buttons);

    connect(findNext, &QPushButton::clicked, this,
            [this] { emit find(findText->text(), down->isChecked(), matchCase->isChecked()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace qm
