#include "widgets/TCancelConfirm.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane::widgets {

TCancelConfirm::TCancelConfirm(QWidget* owner)
    : QDialog(owner),
      Label1(new QLabel(QStringLiteral("Do you really want to cancel?"), this)),
      YesButton(new QPushButton(QStringLiteral("Yes"), this)),
      NoButton(new QPushButton(QStringLiteral("No"), this))
{
    setObjectName(QStringLiteral("CancelConfirm"));
    setWindowTitle(QStringLiteral("Confirmation Box"));
    setModal(true);
    resize(300, 131);
    Label1->setObjectName(QStringLiteral("Label1"));
    YesButton->setObjectName(QStringLiteral("YesButton"));
    NoButton->setObjectName(QStringLiteral("NoButton"));
    QFont larger = Label1->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.4);
    Label1->setFont(larger);
    Label1->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(YesButton);
    buttons->addWidget(NoButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    connect(YesButton, &QPushButton::clicked, this, &TCancelConfirm::YesButtonClick);
    connect(NoButton, &QPushButton::clicked, this, &TCancelConfirm::NoButtonClick);
}

void TCancelConfirm::YesButtonClick()
{
    confirmed = true;
    accept();
}

void TCancelConfirm::NoButtonClick()
{
    confirmed = false;
    reject();
}

bool CancelConfirmQuestion::ask(QWidget* owner)
{
    TCancelConfirm box(owner);
    box.exec();
    return box.confirmed;
}

} // namespace corvane::widgets
