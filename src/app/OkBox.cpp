#include "app/OkBox.h"

#include "app/MessageTable.h"

namespace corvane {

void showErrorMessage(OkBox& box, int code)
{
    box.show(errorMessageText(code), kApplicationErrorTitle);
}

} // namespace corvane
