#include "windows/TDisplayLicense.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

namespace corvane::windows {

TDisplayLicense::TDisplayLicense(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DisplayLicense"));
    setWindowTitle(QStringLiteral("License Agreement"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    setFont(font);
    move(192, 114);
    resize(404, 352);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 16, 369, 281);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ExitButton = new QPushButton(QStringLiteral("Exit"), this);
    ExitButton->setObjectName(QStringLiteral("ExitButton"));
    ExitButton->setGeometry(152, 312, 75, 25);
    connect(ExitButton, &QPushButton::clicked, this, [this] { ExitButtonClick(); });

    FormCreate();
}

void TDisplayLicense::FormCreate()
{
    // The working folder's license.txt first, as ever (./run starts the
    // program in the checkout); then the build tree's copy beside the
    // program, then the installed copyright file.
    shell::readFirstLicenseFile(
        *this, shell::licenseFileCandidates(QCoreApplication::applicationDirPath().toStdString()));
}

void TDisplayLicense::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TDisplayLicense::FormShow()
{
    if (readError) {
        // Closing inside the show would leave exec() waiting on a hidden
        // window; close from its event loop instead.
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        return;
    }
    for (int i = 0; i < numLines; ++i)
        Memo1->appendPlainText(QString::fromUtf8(licenseLines[static_cast<std::size_t>(i)]));
    Memo1->moveCursor(QTextCursor::Start);
}

void TDisplayLicense::ExitButtonClick()
{
    close();
}

} // namespace corvane::windows
