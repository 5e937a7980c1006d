#pragma once

#include "shell/OkBox.h"

#include <string>
#include <utility>
#include <vector>

// Remembers every box instead of waiting for a user: (title, text) in order.
class RecordingOkBox final : public corvane::shell::OkBox {
public:
    void show(std::string_view text, std::string_view title) override
    {
        shown.emplace_back(std::string(title), std::string(text));
    }
    std::vector<std::pair<std::string, std::string>> shown;
};
