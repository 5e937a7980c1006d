#pragma once

#include "app/OkBox.h"

// The real box: a QMessageBox with no owner window and one OK button.
class QtOkBox final : public OkBox {
public:
    void show(std::string_view text, std::string_view title) override;
};
