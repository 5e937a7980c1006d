#include "windows/CorvaneApplication.h"

#include "shell/OkBox.h"
#include "windows/TAboutBox.h"

#include <exception>

namespace corvane::windows {

void showException(shell::OkBox& box, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        box.show(e.what(), kApplicationTitle);
    } catch (...) {
        box.show("", kApplicationTitle);
    }
}

CorvaneApplication::CorvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Corvane"));
    setApplicationVersion(QStringLiteral("1.10"));
    setDesktopFileName(QStringLiteral("corvane"));
    setWindowIcon(corvaneIcon());
}

bool CorvaneApplication::notify(QObject* receiver, QEvent* event)
{
    // Qt cannot carry an exception through its event loop; this is the last
    // place to catch one.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (exceptionBox != nullptr)
            windows::showException(*exceptionBox, std::current_exception());
    }
    return false;
}

} // namespace corvane::windows
