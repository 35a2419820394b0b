#include "app/UnitReset.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TFormReset::TFormReset(QWidget* Parent) : QDialog(Parent) {
    setObjectName("FormReset");
    setWindowTitle("Password");
    setModal(true);
    resize(279, 107);

    auto* label = new QLabel("Enter Password :", this);
    MaskEdit = new QLineEdit(this);
    MaskEdit->setObjectName("MaskEdit");
    MaskEdit->setEchoMode(QLineEdit::Password);
    MaskEdit->setStyleSheet("lineedit-password-character: 35"); // shows "#" per character
    MaskEdit->setAccessibleName("Password");
    label->setBuddy(MaskEdit);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true); // Enter presses it
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    BitBtn2->setObjectName("BitBtn2"); // Escape rejects the dialog

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(MaskEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(MaskEdit, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormReset::BitBtn1Click() {
    if (FOnPassword) FOnPassword(MaskEdit->text());
    accept(); // closes with the OK result whatever the text was
}
