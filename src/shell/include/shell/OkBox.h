#pragma once

#include <string_view>

namespace corvane::shell {

// A message box with one OK button: shows a text under a title and returns
// when the user has pressed OK. Every box of the windows goes through this,
// so the tests and the command line can run whole commands without a screen.
class OkBox {
public:
    virtual ~OkBox() = default;
    virtual void show(std::string_view text, std::string_view title) = 0;

protected:
    OkBox() = default;
    OkBox(const OkBox&) = default;
    OkBox& operator=(const OkBox&) = default;
};

// The catalogue row for a failed operation's result, under "Application Error".
void showErrorMessage(OkBox& box, int code);

} // namespace corvane::shell
