#pragma once

#include "core/CodeSets.h"
#include "signal/TWaveProvider.h"

#include <array>

namespace corvane::signal {

// Tone generator: sine, three step waves and two one-sample pulse trains.
// The phase runs on from one fill to the next, so consecutive blocks form one
// continuous signal, exactly as if all samples had been asked for at once.
//
// Used by one thread at a time; a fill takes nothing from the heap.
class MiniWaveGen : public TWaveProvider {
public:
    // The waveShape codes, as the shape table numbers them.
    static constexpr int Sine = core::codeOf(core::WaveShape::Sine);
    static constexpr int StepUp = core::codeOf(core::WaveShape::StepUp);
    static constexpr int StepDown = core::codeOf(core::WaveShape::StepDown);
    static constexpr int Square = core::codeOf(core::WaveShape::Square);
    static constexpr int PulseUp = core::codeOf(core::WaveShape::PulseUp);
    static constexpr int PulseDown = core::codeOf(core::WaveShape::PulseDown);

    static constexpr int kScratchSize = 16384;

    MiniWaveGen();

    // Restarts the signal at phase 0. Checks nothing: callers validate the
    // frequency against the sampling frequency first.
    void setSignal(int waveShape, int numCh, double signalFreq, double fs, double amplitude);

    using TWaveProvider::execStore;
    // -1113 when the generator was not set up for this channel layout.
    // A dataSize above the scratch block is filled in pieces; 0 or less
    // writes nothing. A waveShape outside 0 to 5 gives silence.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;

    // A sine offers its phases instead of its values (the same -1113 when it
    // was not set up for that many channels): a writer computes
    // amplitude * sin(phase) itself from these very doubles.
    std::optional<double> sineAmplitude() const override;
    int execStorePhases(double* phases, int dataSize, int channels) override;

    // The generator's state, for tests and for a caller that shows it.
    double phaseStep() const { return step; }
    double amplitude() const { return peak; }
    double phase() const { return at; }
    double period() const { return cycle; }
    int waveShape() const { return shape; }
    bool edgePassed() const { return pastEdge; }
    // Starts the next sample at this phase (0 to 2 pi), for a caller that
    // wants the signal from somewhere inside a period.
    void setPhase(double radians) { at = radians; }

private:
    double step = 0.0; // radians per sample
    double peak = 0.0;
    double at = 0.0; // phase of the next sample
    double cycle = 0.0;
    int shape = Sine;
    bool pastEdge = false;

    void generate(double* out, int count);
    void generatePhases(double* out, int count);

    std::array<double, kScratchSize> scratch{};
};

} // namespace corvane::signal
