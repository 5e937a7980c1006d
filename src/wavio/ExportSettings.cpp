#include "wavio/ExportSettings.h"

#include "core/CodeSets.h"
#include "core/ParameterTexts.h"
#include "wavio/WavFormat.h"

#include <cfloat>
#include <cstdio>

namespace corvane::wavio {

std::optional<int> framesForSeconds(int fs, double seconds)
{
    const double frames = fs * seconds + 0.5;
    if (!(frames > -2147483649.0 && frames < 2147483648.0))
        return std::nullopt;
    return static_cast<int>(frames);
}

bool lengthAllowed(int dataLength, int fs, double minSeconds, double maxSeconds)
{
    if (fs == 0)
        return false;
    const double seconds = static_cast<double>(dataLength) / fs;
    return !(seconds < minSeconds || seconds > maxSeconds);
}

std::string lengthMessage(double minSeconds, double maxSeconds)
{
    char text[96];
    std::snprintf(text, sizeof text, "The data length should be %5.1f to %5.1f seconds", minSeconds, maxSeconds);
    return text;
}

double exportAmplitude(double amplitude, core::SampleFormat dataFormat, double refLevel)
{
    return core::infoOf(dataFormat).isFloat ? amplitude * refLevel : amplitude;
}

FloatRangeCause floatRangeCause(double levelAmplitude, core::SampleFormat dataFormat, double refLevel)
{
    if (!core::infoOf(dataFormat).isFloat)
        return FloatRangeCause::None;
    const double largest = dataFormat == F32 ? static_cast<double>(FLT_MAX) : DBL_MAX;
    // Written so that NaN and infinity fail each test.
    if (levelAmplitude * refLevel <= largest)
        return FloatRangeCause::None;
    if (!(levelAmplitude <= largest))
        return FloatRangeCause::Level;
    if (!(refLevel <= largest))
        return FloatRangeCause::RefLevel;
    return refLevel > levelAmplitude ? FloatRangeCause::RefLevel : FloatRangeCause::Level;
}

bool warnQuietEightBit(core::SampleFormat dataFormat, double levelDb)
{
    return dataFormat == U8 && levelDb < -15.0;
}

std::string_view floatRangeMessage(FloatRangeCause cause)
{
    switch (cause) {
    case FloatRangeCause::None: break;
    case FloatRangeCause::Level: return core::kLevelTooLargeForFloat;
    case FloatRangeCause::RefLevel: return core::kRefLevelTooLargeForFloat;
    }
    return {};
}

} // namespace corvane::wavio
