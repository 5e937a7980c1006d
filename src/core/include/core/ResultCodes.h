#pragma once

// Result codes: zero or more is success, a negative value is minus the
// number of a catalogue row (-1112 shows "#1112: ..."). Every code an
// operation returns is named here, beside the catalogue, and a test checks
// that each one has its row.
namespace corvane::core {

inline constexpr int kOk = 0;

// The WAV reader.
inline constexpr int kFileNotSupported = -101;
inline constexpr int kRiffNotWave = -102;
inline constexpr int kWaveNotSupported = -103;
inline constexpr int kIllegalWaveFormat = -104;
inline constexpr int kOnly16Bit = -105;
inline constexpr int kIllegalDataFormat = -106;
inline constexpr int kIllegalChunkHeader = -108;
inline constexpr int kMultichunkNotSupported = -110;
inline constexpr int kReadError = -1101;
inline constexpr int kReadBeforeHeader = -1102;
inline constexpr int kOffsetBeyondStart = -1103;
inline constexpr int kOffsetBeyondEnd = -1104;
inline constexpr int kReadExceedsBuffer = -1106;

// The plot canvas.
inline constexpr int kLogStartIncorrect = -1001;
inline constexpr int kGridIntervalNotPositive = -1002;
inline constexpr int kDrawTooManySamples = -1003;
inline constexpr int kDbDrawTooManySamples = -1004;
inline constexpr int kYSpanTooManyGrids = -1005;
inline constexpr int kXSpanTooManyGrids = -1006;
inline constexpr int kLogRatioOutOfRange = -1007;
inline constexpr int kYSpanOrIntervalIncorrect = -1008;
inline constexpr int kXSpanNotPositive = -1009;
inline constexpr int kScalesNotSet = -1010;
inline constexpr int kLeftMarginTooSmall = -1011;
inline constexpr int kUpperMarginTooSmall = -1013;
inline constexpr int kTooManyScaleLabels = -1015;
inline constexpr int kNullXLabel = -1016;
inline constexpr int kNullYLabel = -1017;
inline constexpr int kSelectionTooSmall = -1051;
inline constexpr int kSelectionIncorrect = -1052;

// The display layer.
inline constexpr int kXMaxNotAboveXMin = -1021;
inline constexpr int kXIntervalZero = -1022;
inline constexpr int kXRatioOutOfRange = -1023;
inline constexpr int kYSpanZero = -1026;
inline constexpr int kYIntervalZero = -1027;
inline constexpr int kYRatioOutOfRange = -1028;
inline constexpr int kYScaleSpanZero = -1029;
inline constexpr int kTooManyXLabels = -1032;
inline constexpr int kTooManyLogXLabels = -1033;
inline constexpr int kTooManyYLabels = -1034;
inline constexpr int kXScaleSpanZero = -1035;
inline constexpr int kLogRatioNotPositive = -1036;
inline constexpr int kLogLeftNotPositive = -1037;

// Generation and writing.
inline constexpr int kBlockTooLarge = -1111;
inline constexpr int kFileWriteError = -1112;
inline constexpr int kChannelCountIncorrect = -1113;
inline constexpr int kIncorrectParameter = -1114;

// Sound output. Whoever shows one prints the row's text and then the
// reason() text of the object that failed, which carries ALSA's own words.
// The device cannot be opened: unknown name, no such card, busy.
inline constexpr int kDeviceOpenError = -351;
// The device refuses the rate, channel count or sample format (or the buffer
// layout); playback never converts behind the user's back.
inline constexpr int kFormatRefused = -352;
// The output is already open, or already played by another thread.
inline constexpr int kAlreadyRunning = -1201;
// The buffers or the thread could not be had.
inline constexpr int kNoResources = -1312;
// A write to the device failed.
inline constexpr int kWriteError = -1303;
// Arguments outside what playback offers at all.
inline constexpr int kRateOutOfRange = -1307;
inline constexpr int kChannelsOutOfRange = -1308;
inline constexpr int kFormatOutOfRange = -1309;
// An underrun or a suspend that could not be recovered.
inline constexpr int kDeviceStopped = -1314;
// The device took no frames for too long.
inline constexpr int kTimedOut = -1317;

// The windows.
inline constexpr int kLicenseReadError = -8201;
inline constexpr int kCancelFileNotDeleted = -9001;

} // namespace corvane::core
