#pragma once

#include <QApplication>

#include <string_view>

namespace corvane::shell {
class OkBox;
} // namespace corvane::shell

namespace corvane::windows {

// The application object. An exception that escapes an event handler is
// shown in a box with its text, and the event loop goes on.
class CorvaneApplication : public QApplication {
public:
    CorvaneApplication(int& argc, char** argv);

    // Where escaped exceptions are shown; it must outlive the application or
    // be replaced first. Without one they are only swallowed.
    void setExceptionBox(shell::OkBox* box) { exceptionBox = box; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    shell::OkBox* exceptionBox = nullptr;
};

inline constexpr std::string_view kApplicationTitle = "Corvane";

// The box for an exception that reached the top: its text under the
// program's title; anything that is not a std::exception shows an empty text.
void showException(shell::OkBox& box, std::exception_ptr error);

} // namespace corvane::windows
