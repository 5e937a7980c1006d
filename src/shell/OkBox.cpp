#include "shell/OkBox.h"

#include "core/MessageTable.h"
#include "core/ParameterTexts.h"

namespace corvane::shell {

void showErrorMessage(OkBox& box, int code)
{
    box.show(core::errorMessageText(code), core::kApplicationErrorTitle);
}

} // namespace corvane::shell
