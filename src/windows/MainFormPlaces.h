#pragma once

#include "windows/TMainForm.h"

// Where the main window's controls stand at its default size, in window
// coordinates with the menu bar on top: the table the window is built from.
namespace corvane::windows {

struct ControlPlace {
    const char* name; // the control's object name
    int left;
    int top;
    int width;
    int height;
};

inline constexpr ControlPlace kWaveCanvasPlace{"WaveCanvas", 40, 48, 361, 201};
inline constexpr ControlPlace kSigFreqLabelPlace{"SigFreqLabel", 416, 44, 65, 17};
inline constexpr ControlPlace kSigFreqPlace{"SigFreq", 504, 40, 89, 25};
inline constexpr ControlPlace kSigLevelLabelPlace{"SigLevelLabel", 416, 76, 66, 17};
inline constexpr ControlPlace kSigLevelPlace{"SigLevel", 504, 72, 65, 25};
inline constexpr ControlPlace kDbPlace{"dB", 576, 76, 15, 17};
inline constexpr ControlPlace kSampleFreqPlace{"SampleFreq", 416, 108, 83, 17};
inline constexpr ControlPlace kFsSelectPlace{"FsSelect", 504, 104, 89, 25};
inline constexpr ControlPlace kLabel1Place{"Label1", 416, 140, 65, 17};
inline constexpr ControlPlace kWaveSelectPlace{"WaveSelect", 504, 136, 89, 25};
inline constexpr ControlPlace kDrawButtonPlace{"DrawButton", 464, 176, 97, 25};
inline constexpr ControlPlace kAutoScaleButtonPlace{"AutoScaleButton", 464, 216, 97, 25};
inline constexpr ControlPlace kHorizExpandButtonPlace{"HorizExpandButton", 464, 256, 97, 25};

// The plot grows from its place with the window.
static_assert(kWaveCanvasPlace.width == TMainForm::kDefaultCanvasSize.width() &&
              kWaveCanvasPlace.height == TMainForm::kDefaultCanvasSize.height());

} // namespace corvane::windows
