#pragma once

#include "shell/OkBox.h"

#include <string>
#include <utility>
#include <vector>

// The one message box the tests use: it records every box as (text, title),
// in the order OkBox::show takes them, instead of waiting for a user.
class RecordingBoxes final : public corvane::shell::OkBox {
public:
    using Shown = std::vector<std::pair<std::string, std::string>>;
    void show(std::string_view text, std::string_view title) override
    {
        shown.emplace_back(std::string(text), std::string(title));
    }
    Shown shown;
};
