#include "support/QtWait.h"
#include "support/RecordingBoxes.h"
#include "windows/CorvaneApplication.h"
#include "windows/TAboutBox.h"
#include "windows/TDisplayLicense.h"
#include "windows/TMainForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <stdexcept>

using namespace corvane;

namespace {

using Boxes = RecordingBoxes::Shown;

// Runs a test body with the working folder set to a fresh folder.
struct InTemporaryFolder : ::testing::Test {
    InTemporaryFolder()
    {
        EXPECT_TRUE(folder.isValid());
        QDir::setCurrent(folder.path());
    }
    ~InTemporaryFolder() override { QDir::setCurrent(previous); }
    void writeLicense(const QByteArray& bytes) const
    {
        QFile f(folder.filePath("license.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString previous = QDir::currentPath();
    QTemporaryDir folder;
};

int openLicenseWindows()
{
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += dynamic_cast<windows::TDisplayLicense*>(w) != nullptr ? 1 : 0;
    return n;
}

TEST_F(InTemporaryFolder, MissingLicenseClosesTheWindowAndReports8201)
{
    RecordingBoxes box;
    windows::TMainForm form(box);
    const ModalGuard guard; // the window closes itself
    form.LicenseExecute();
    EXPECT_EQ(box.shown,
              (Boxes{{"#8201: Error in TDisplayLicense::FormCreate: File read error.", "Application Error"}}));
    EXPECT_EQ(openLicenseWindows(), 0);
}

TEST_F(InTemporaryFolder, LicenseWindowShowsTheLinesOfTheFile)
{
    writeLicense("Terms\r\n\r\rsecond\nlast");
    RecordingBoxes box;
    windows::TMainForm form(box);
    QString shownText;
    bool wasVisible = false;
    whenModalShown([&](QWidget* modal) {
        auto* window = dynamic_cast<windows::TDisplayLicense*>(modal);
        ASSERT_NE(window, nullptr);
        wasVisible = window->isVisible();
        shownText = window->Memo1->toPlainText();
        EXPECT_EQ(window->windowTitle(), "License Agreement");
        EXPECT_EQ(window->ExitButton->text(), "Exit");
        window->ExitButton->click();
    });
    form.LicenseExecute();
    EXPECT_TRUE(wasVisible);
    // CR LF, then a CR that pairs with the LF, then CR: one empty line.
    EXPECT_EQ(shownText, "Terms\n\nsecond\nlast");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(openLicenseWindows(), 0);
}

TEST_F(InTemporaryFolder, EmptyLicenseFileIsNoError)
{
    writeLicense("");
    windows::TDisplayLicense window;
    EXPECT_FALSE(window.readError);
    EXPECT_EQ(window.numLines, 0);
    window.show();
    EXPECT_TRUE(window.Memo1->toPlainText().isEmpty());
}

TEST(AboutBox, ShowsNameVersionNoticeAndIcon)
{
    windows::TAboutBox about;
    EXPECT_EQ(about.windowTitle(), "Version Information");
    EXPECT_EQ(about.ProductName->text(), "Corvane");
    EXPECT_EQ(about.Version->text(), "Version 1.10");
    EXPECT_FALSE(about.Copyright->text().isEmpty());
    EXPECT_FALSE(about.Comments->text().isEmpty());
    EXPECT_EQ(about.ProgramIcon->pixmap().size(), QSize(48, 48));
    EXPECT_TRUE(about.OKButton->isDefault());
    EXPECT_EQ(about.size(), QSize(298, 173));

    // The Help menu shows it modally; OK closes it with the OK result.
    RecordingBoxes box;
    windows::TMainForm form(box);
    form.setAboutBox(&about);
    whenModalShown([&](QWidget* modal) {
        EXPECT_EQ(modal, &about);
        about.OKButton->click();
    });
    form.HelpContents1Execute();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

// Throws from its event handler, as a faulty slot would.
class Thrower : public QObject {
public:
    explicit Thrower(bool standard) : standardException(standard) {}
    bool event(QEvent*) override
    {
        if (standardException)
            throw std::runtime_error("disk on fire");
        throw 42;
    }

private:
    bool standardException;
};

TEST(Application, EscapedExceptionsAreShownAndTheLoopGoesOn)
{
    auto* app = dynamic_cast<windows::CorvaneApplication*>(QApplication::instance());
    ASSERT_NE(app, nullptr);
    RecordingBoxes box;
    app->setExceptionBox(&box);
    Thrower standard(true);
    Thrower other(false);
    QEvent event(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&standard, &event));
    EXPECT_FALSE(QApplication::sendEvent(&other, &event));
    app->setExceptionBox(nullptr);
    EXPECT_EQ(box.shown, (Boxes{{"disk on fire", "Corvane"}, {"", "Corvane"}}));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

} // namespace
