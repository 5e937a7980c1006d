#include "signal/MiniWaveGen.h"

#include "core/ResultCodes.h"

#include "signal/WaveConstants.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane::signal {

MiniWaveGen::MiniWaveGen()
{
    maxBlockSize = kScratchSize;
}

void MiniWaveGen::setSignal(int waveShape, int channels, double signalFreq, double fs, double amplitude)
{
    shape = waveShape;
    numCh = channels;
    peak = amplitude;
    step = (signal::kTwoPi * signalFreq) / fs;
    cycle = signal::kTwoPi;
    at = 0.0;
    pastEdge = false;
}

std::optional<double> MiniWaveGen::sineAmplitude() const
{
    if (shape != Sine)
        return std::nullopt;
    return peak;
}

namespace {

// Not a waveshape: the fill writes each sample's phase instead of its value.
constexpr int kPhaseOut = 100;

// The per-sample rule, with the shape fixed at compile time so the inner loop
// carries no switch. The comparisons are strict on purpose: a phase exactly
// at pi/8 is still low, and one exactly at 2*pi stays for one more sample.
template <int Shape>
void fill(double* out, int count, double& phase, bool& edgePassed, double step, double period, double amplitude)
{
    double ph = phase;
    bool edge = edgePassed;
    for (int i = 0; i < count; ++i) {
        const bool a = ph > signal::kPiOver8;
        const bool b = ph > signal::kNinePiOver8;
        const bool high = a && !b;
        const bool pulse = a && !edge;
        double v = 0.0;
        if constexpr (Shape == MiniWaveGen::Sine)
            v = amplitude * std::sin(ph);
        else if constexpr (Shape == MiniWaveGen::StepUp)
            v = high ? amplitude : 0.0;
        else if constexpr (Shape == MiniWaveGen::StepDown)
            v = high ? -amplitude : 0.0;
        else if constexpr (Shape == MiniWaveGen::Square)
            v = high ? amplitude : -amplitude;
        else if constexpr (Shape == MiniWaveGen::PulseUp)
            v = pulse ? amplitude : 0.0;
        else if constexpr (Shape == MiniWaveGen::PulseDown)
            v = pulse ? -amplitude : 0.0;
        else if constexpr (Shape == kPhaseOut)
            v = ph;
        out[i] = v;
        edge = a;
        ph += step;
        if (ph > period) {
            ph -= period;
            edge = false;
        }
    }
    phase = ph;
    edgePassed = edge;
}

} // namespace

void MiniWaveGen::generate(double* out, int count)
{
    switch (shape) {
    case Sine: fill<Sine>(out, count, at, pastEdge, step, cycle, peak); break;
    case StepUp: fill<StepUp>(out, count, at, pastEdge, step, cycle, peak); break;
    case StepDown: fill<StepDown>(out, count, at, pastEdge, step, cycle, peak); break;
    case Square: fill<Square>(out, count, at, pastEdge, step, cycle, peak); break;
    case PulseUp: fill<PulseUp>(out, count, at, pastEdge, step, cycle, peak); break;
    case PulseDown: fill<PulseDown>(out, count, at, pastEdge, step, cycle, peak); break;
    // An unknown shape (the window passes -1 for text that matches no item)
    // gives silence, but the phase still runs so a later block lines up.
    default: fill<-1>(out, count, at, pastEdge, step, cycle, peak); break;
    }
}

void MiniWaveGen::generatePhases(double* out, int count)
{
    fill<kPhaseOut>(out, count, at, pastEdge, step, cycle, peak);
}

int MiniWaveGen::execStorePhases(double* phases, int dataSize, int channels)
{
    if (numCh != channels)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        generatePhases(phases, dataSize);
    return core::kOk;
}

int MiniWaveGen::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    for (int done = 0; done < dataSize;) {
        const int n = std::min(dataSize - done, kScratchSize);
        generate(scratch.data(), n);
        std::memcpy(data + done, scratch.data(), sizeof(double) * static_cast<size_t>(n));
        done += n;
    }
    return 0;
}

int MiniWaveGen::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    for (int done = 0; done < dataSize;) {
        const int n = std::min(dataSize - done, kScratchSize);
        generate(scratch.data(), n);
        const size_t bytes = sizeof(double) * static_cast<size_t>(n);
        std::memcpy(left + done, scratch.data(), bytes);
        std::memcpy(right + done, scratch.data(), bytes);
        done += n;
    }
    return 0;
}

} // namespace corvane::signal
