#pragma once

#include "analysis/Distortion.h"
#include "session/JobDescription.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane::session {

// One measurement: a sweep played and recorded in the same run, with
// silence before it and a tail after it, as often as asked.
struct MeasureDescription {
    // The sweep as export takes it; measureJob adds the silence, the
    // channels and the route.
    JobDescription sweep;
    std::string outputDevice = "default";
    std::string captureDevice = "default";
    int outputChannel = 0; // 1 or 2 carries the sweep, the other silence; 0: both
    int inputChannel = 1; // from 1
    int referenceChannel = 0; // from 1; 0: no reference
    double preSeconds = 0.5;
    double tailSeconds = 1.0;
    int repeats = 1;
};

inline constexpr int kMaxRepeats = 100;
// A reference that never comes above this is a cable not plugged in.
inline constexpr double kSilentReferenceDb = -60.0;

// The job that is played once per repeat: the sweep with the silence before
// it as padding before, the tail as padding after, in stereo on the chosen
// output channel(s). Check it with checkJob, as any job.
JobDescription measureJob(const MeasureDescription& m);

// The measurement's own refusals (channels, repeats, silence, a recording
// that could not fit in the machine's memory), in the words of the command
// line; empty when there are none.
std::string checkMeasure(const MeasureDescription& m);

enum class MeasureStatus {
    Done,
    Stopped, // asked to stop: nothing to show
    DeviceFailed, // a device refused or failed; the reason says why in ALSA's words
    Overrun, // the capture lost frames (lostFrames)
    Underrun, // the playback ran dry: what was played is not the sweep
    SilentReference, // the reference channel stays below kSilentReferenceDb
    OutOfMemory, // the recording was made but is too long to analyse here
};

struct MeasureResult {
    int sampleRate = 0;
    std::int64_t sweepFrames = 0; // N
    std::int64_t preFrames = 0; // round(pre * fs)
    std::int64_t repeatFrames = 0; // pre + sweep + tail, the length of one repeat
    // Every input channel as captured, full scale 1.0 (the integer formats
    // divided by 2^15 or 2^31, exactly), K repeats long.
    std::vector<std::vector<double>> recording;
    // Averaged over the repeats, lag 0 at frame 0, sweep + tail frames long.
    std::vector<double> impulseResponse;
    std::int64_t peakFrame = 0; // of the largest |value|
    // Per repeat: the capture frame taken as lag 0.
    std::vector<std::int64_t> lagZero;
    // With a reference: the frames from the first sweep's start to its
    // arrival on the reference channel, and that channel's peak in dBFS.
    std::optional<std::int64_t> referenceDelay;
    double referencePeakDb = 0.0;
    bool linked = false; // playback and capture were linked to start together
    std::int64_t lostFrames = 0;
    int underruns = 0;
    long long clippedSamples = 0;
};

// Plays and records (stop is asked between periods, every 20 ms; when it
// says so the run ends within a period with Stopped), then analyses the
// capture. job and plan are measureJob(m) and its checked plan. reason says
// what went wrong in the user's words.
MeasureStatus measure(const MeasureDescription& m, const JobPlan& plan, const std::function<bool()>& stop,
                      MeasureResult& result, std::string& reason);

// The analysis alone, for a result whose recording and sampleRate are
// filled: deconvolves each repeat's stretch of the capture with the sweep's
// inverse filter through the analysis code `deconvolve` uses, finds its lag 0
// (on the reference, or by the first repeat's peak) and averages. Done,
// SilentReference, or DeviceFailed for a capture that holds samples that are
// not finite numbers.
MeasureStatus analyseRecording(const MeasureDescription& m, const JobPlan& plan, MeasureResult& result,
                               std::string& reason);

// What the distortion analysis needs of a sweep of sweepFrames frames.
analysis::DistortionParams sweepDistortionParams(const JobDescription& job, int sweepFrames, int harmonics,
                                                 int smoothing);

// The harmonic distortion of the first repeat, as `corvane distortion` finds
// it in a recording of that repeat's sweep and tail from its lag 0 on.
analysis::HarmonicDistortion measuredDistortion(const MeasureDescription& m, const JobPlan& plan,
                                                const MeasureResult& result, int harmonics, int smoothing);

} // namespace corvane::session
