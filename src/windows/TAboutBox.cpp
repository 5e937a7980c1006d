#include "windows/TAboutBox.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace corvane::windows {

QPixmap corvaneIcon()
{
    return QPixmap(QStringLiteral(":/corvane/corvane.png"));
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Version Information"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(298, 173);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 281, 121);

    const auto label = [this](const char* name, const QString& text, int left, int top) {
        auto* l = new QLabel(text, Panel1);
        l->setObjectName(QString::fromLatin1(name));
        l->move(left, top);
        return l;
    };
    ProgramIcon = label("ProgramIcon", QString(), 24, 16);
    ProgramIcon->setPixmap(corvaneIcon());
    ProgramIcon->setFixedSize(48, 48);
    ProductName = label("ProductName", QStringLiteral("Corvane"), 88, 16);
    Version = label("Version", QStringLiteral("Version 1.10"), 88, 40);
    Copyright = label("Copyright", QStringLiteral("(C) 2026 The Corvane developers."), 16, 80);
    Comments = label("Comments", QStringLiteral("Free to use: see the License Agreement."), 16, 96);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 140, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace corvane::windows
