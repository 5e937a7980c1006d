#pragma once

#include "shell/OkBox.h"

namespace corvane::widgets {

// The real box: a QMessageBox with no owner window and one OK button.
class QtOkBox final : public shell::OkBox {
public:
    void show(std::string_view text, std::string_view title) override;
};

} // namespace corvane::widgets
