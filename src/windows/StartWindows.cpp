#include "windows/StartWindows.h"

#include "widgets/QtOkBox.h"
#include "windows/CorvaneApplication.h"
#include "windows/TAboutBox.h"
#include "windows/TMainForm.h"

#include <QSettings>

#include <cstdlib>
#include <exception>
#include <iostream>

namespace corvane::windows {

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool displayAvailable()
{
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

int startWindows(int& argc, char** argv)
{
    if (!displayAvailable()) {
        std::cerr << "corvane: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "The command line works without one: 'corvane export', 'corvane plot' and\n"
                     "'corvane read'; 'corvane help' lists them.\n";
        return 1;
    }
    CorvaneApplication app(argc, argv);
    widgets::QtOkBox box;
    app.setExceptionBox(&box);
    try {
        // The window's place and size from the last run.
        QSettings settings(QStringLiteral("Corvane"), QStringLiteral("Corvane"));
        TMainForm mainForm(box);
        mainForm.restoreWindowGeometry(settings);
        // The export dialog comes with the save command; it builds its own.
        TAboutBox aboutBox;
        mainForm.setAboutBox(&aboutBox);
        mainForm.show();
        QApplication::exec();
    } catch (...) {
        windows::showException(box, std::current_exception());
    }
    return 0;
}

} // namespace corvane::windows
