#include "session/Measurement.h"

#include "analysis/Deconvolution.h"
#include "audio/CaptureThread.h"
#include "audio/PlayFormat.h"
#include "audio/PlaybackThread.h"
#include "audio/SoundInput.h"
#include "audio/SoundOutput.h"
#include "session/SignalChain.h"
#include "session/SignalParams.h"
#include "signal/TWaveProvider.h"
#include "wavio/ExportSettings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <unistd.h>

namespace corvane::session {
namespace {

// The captured bytes as numbers of full scale 1.0: what libsndfile reads
// back from the recording's file, to the last bit.
void decodeCapture(std::span<const std::uint8_t> bytes, audio::PlayFormat format, int channels,
                   std::vector<std::vector<double>>& out)
{
    const int sampleBytes = audio::playFormatInfo(format)->bytes();
    const std::size_t frames = bytes.size() / static_cast<std::size_t>(sampleBytes * channels);
    out.assign(static_cast<std::size_t>(channels), std::vector<double>(frames));
    const std::uint8_t* p = bytes.data();
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c, p += sampleBytes) {
            double v = 0.0;
            switch (format) {
            case audio::PlayFormat::S16: {
                std::int16_t s = 0;
                std::memcpy(&s, p, 2);
                v = s / 32768.0;
                break;
            }
            case audio::PlayFormat::S32: {
                std::int32_t s = 0;
                std::memcpy(&s, p, 4);
                v = s / 2147483648.0;
                break;
            }
            case audio::PlayFormat::F32: {
                float s = 0.0F;
                std::memcpy(&s, p, 4);
                v = s;
                break;
            }
            }
            out[static_cast<std::size_t>(c)][i] = v;
        }
}

// Lag of the largest |value| of the convolution from lag `from` on, over
// `count` lags (lag 0 being the convolution's frame filterFrames - 1).
std::int64_t peakLag(const analysis::SweepDeconvolver& d, std::int64_t from, std::int64_t count)
{
    const std::int64_t zero = d.filterFrames() - 1;
    std::int64_t best = 0;
    double bestValue = -1.0;
    for (std::int64_t j = 0; j < count; ++j) {
        const double v = std::fabs(d.full(zero + from + j));
        if (v > bestValue) {
            bestValue = v;
            best = j;
        }
    }
    return best;
}

double peakDb(const std::vector<double>& x)
{
    double peak = 0.0;
    for (const double v : x)
        peak = std::max(peak, std::fabs(v));
    return peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
}

} // namespace

JobDescription measureJob(const MeasureDescription& m)
{
    JobDescription job = m.sweep;
    job.padBeforeSeconds = m.preSeconds;
    job.padAfterSeconds = m.tailSeconds;
    job.channels = 2;
    job.route = m.outputChannel == 1   ? core::ChannelRoute::Left
                : m.outputChannel == 2 ? core::ChannelRoute::Right
                                       : core::ChannelRoute::Both;
    job.outputPath.clear();
    job.inversePath.clear();
    return job;
}

std::string checkMeasure(const MeasureDescription& m)
{
    if (m.sweep.kind != core::SignalKind::Sweep)
        return "measure plays an exponential sweep (--signal sweep), not " +
               std::string(core::infoOf(m.sweep.kind).cliName);
    if (m.outputChannel < 0 || m.outputChannel > 2)
        return "--output-channel takes 1, 2 or all: the sweep is played in stereo";
    if (m.inputChannel < 1 || m.inputChannel > audio::SoundInput::kMaxChannels)
        return "--input-channel takes a channel from 1 to " + std::to_string(audio::SoundInput::kMaxChannels);
    if (m.referenceChannel < 0 || m.referenceChannel > audio::SoundInput::kMaxChannels)
        return "--reference-channel takes a channel from 1 to " + std::to_string(audio::SoundInput::kMaxChannels);
    if (m.referenceChannel == m.inputChannel)
        return "the reference channel cannot be the input channel (" + std::to_string(m.inputChannel) + ")";
    if (m.repeats < 1 || m.repeats > kMaxRepeats)
        return "--repeat takes 1 to " + std::to_string(kMaxRepeats) + " sweeps";
    if (!(m.preSeconds >= 0.0) || !std::isfinite(m.preSeconds))
        return "--pre takes 0 or more seconds";
    if (!(m.tailSeconds >= 0.0) || !std::isfinite(m.tailSeconds))
        return "--tail takes 0 or more seconds";
    const double sweepSeconds = m.sweep.frames ? *m.sweep.frames / static_cast<double>(m.sweep.sampleRateHz)
                                               : m.sweep.seconds.value_or(10.0);
    if (m.preSeconds + m.tailSeconds + sweepSeconds > wavio::kMaxSeconds)
        return "--pre, the sweep and --tail together may be at most " +
               std::to_string(static_cast<int>(wavio::kMaxSeconds)) + " seconds long";
    const audio::PlayFormatInfo* format = audio::playFormatOf(m.sweep.format);
    if (format == nullptr)
        return "--format takes " + audio::playFormatNames();
    // The capture and its decoded samples alone, before any transform: more
    // than the machine holds cannot end well, so it is refused before
    // anything is played.
    const double frames = (m.preSeconds + m.tailSeconds + sweepSeconds) * m.sweep.sampleRateHz * m.repeats;
    const double needed = frames * std::max(m.inputChannel, m.referenceChannel) *
                          (format->bytes() + static_cast<int>(sizeof(double)));
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGE_SIZE);
    const double memory = static_cast<double>(pages) * static_cast<double>(pageBytes);
    if (pages > 0 && pageBytes > 0 && needed > memory) {
        char text[96];
        std::snprintf(text, sizeof text, "about %.1f GB of memory, more than the %.1f GB this machine has",
                      needed / 1e9, memory / 1e9);
        return std::string("the recording and its samples would need ") + text +
               "; shorten the sweep or lower --repeat";
    }
    return {};
}

MeasureStatus analyseRecording(const MeasureDescription& m, const JobPlan& plan, MeasureResult& r,
                               std::string& reason)
{
    const JobDescription job = measureJob(m);
    r.sweepFrames = plan.signalFrames;
    r.preFrames = plan.padBefore;
    r.repeatFrames = plan.frames;
    const std::int64_t irFrames = r.repeatFrames - r.preFrames; // the sweep and its tail
    const auto& input = r.recording.at(static_cast<std::size_t>(m.inputChannel - 1));

    // A float device can deliver anything; what is not a number measures nothing.
    for (const auto& channel : r.recording)
        if (const auto bad =
                std::count_if(channel.begin(), channel.end(), [](double v) { return !std::isfinite(v); });
            bad > 0) {
            reason = "the capture holds " + std::to_string(bad) + " samples that are not finite numbers";
            return MeasureStatus::DeviceFailed;
        }

    if (m.referenceChannel > 0) {
        r.referencePeakDb = peakDb(r.recording.at(static_cast<std::size_t>(m.referenceChannel - 1)));
        if (!(r.referencePeakDb >= kSilentReferenceDb)) {
            reason = "the reference channel " + std::to_string(m.referenceChannel) + " peaks at " +
                     (std::isfinite(r.referencePeakDb) ? std::to_string(std::lround(r.referencePeakDb)) + " dBFS"
                                                       : std::string("silence")) +
                     ", below " + std::to_string(std::lround(kSilentReferenceDb)) +
                     " dBFS: is the loop-back cable connected?";
            return MeasureStatus::SilentReference;
        }
    }

    // Each repeat is deconvolved on its own stretch of the capture, so the
    // transforms stay one repeat long however many there are; one repeat's
    // stretch is the whole capture.
    const std::vector<double> inverse = inverseFilterValues(job, plan);
    analysis::SweepDeconvolver deconvolver(inverse, r.repeatFrames);
    std::unique_ptr<analysis::SweepDeconvolver> reference;
    if (m.referenceChannel > 0)
        reference = std::make_unique<analysis::SweepDeconvolver>(deconvolver);
    const auto deconvolve = [&](analysis::SweepDeconvolver& d, const std::vector<double>& channel, int k) {
        const auto first = std::min(static_cast<std::size_t>(k * r.repeatFrames), channel.size());
        const auto last = std::min(first + static_cast<std::size_t>(r.repeatFrames), channel.size());
        double* to = std::copy(channel.begin() + static_cast<std::ptrdiff_t>(first),
                               channel.begin() + static_cast<std::ptrdiff_t>(last), d.recording());
        std::fill(to, d.recording() + r.repeatFrames, 0.0);
        d.run();
    };

    const std::int64_t zero = deconvolver.filterFrames() - 1;
    r.impulseResponse.assign(static_cast<std::size_t>(irFrames), 0.0);
    r.lagZero.clear();
    r.referenceDelay.reset();
    std::int64_t firstPeak = 0;
    for (int k = 0; k < m.repeats; ++k) {
        // Lag 0 in the repeat's stretch: where its sweep starts, as if the
        // round trip took no time, then moved to the reference's arrival, or
        // to where the repeat's peak falls on the first one's.
        std::int64_t lag = r.preFrames;
        if (reference) {
            deconvolve(*reference, r.recording[static_cast<std::size_t>(m.referenceChannel - 1)], k);
            lag += peakLag(*reference, r.preFrames, irFrames);
            if (k == 0)
                r.referenceDelay = lag - r.preFrames;
        }
        deconvolve(deconvolver, input, k);
        if (!reference) {
            const std::int64_t peak = peakLag(deconvolver, r.preFrames, irFrames);
            if (k == 0)
                firstPeak = peak;
            lag += peak - firstPeak;
        }
        r.lagZero.push_back(k * r.repeatFrames + lag);
        for (std::int64_t j = 0; j < irFrames; ++j)
            r.impulseResponse[static_cast<std::size_t>(j)] += deconvolver.full(zero + lag + j);
    }
    const auto count = static_cast<double>(m.repeats);
    for (double& v : r.impulseResponse)
        v /= count;
    r.peakFrame = 0;
    for (std::size_t j = 1; j < r.impulseResponse.size(); ++j)
        if (std::fabs(r.impulseResponse[j]) > std::fabs(r.impulseResponse[static_cast<std::size_t>(r.peakFrame)]))
            r.peakFrame = static_cast<std::int64_t>(j);
    return MeasureStatus::Done;
}

analysis::DistortionParams sweepDistortionParams(const JobDescription& job, int sweepFrames, int harmonics,
                                                 int smoothing)
{
    const signal::SweepParams sweep = sweepParams(job, sweepFrames, 1.0);
    analysis::DistortionParams p;
    p.sampleRate = job.sampleRateHz;
    p.rateSeconds = signal::sweepRateSeconds(sweep);
    p.fromHz = job.fromHz;
    p.toHz = job.toHz;
    p.harmonics = harmonics;
    p.smoothing = smoothing;
    return p;
}

analysis::HarmonicDistortion measuredDistortion(const MeasureDescription& m, const JobPlan& plan,
                                                const MeasureResult& r, int harmonics, int smoothing)
{
    const JobDescription job = measureJob(m);
    const analysis::DistortionParams p = sweepDistortionParams(job, plan.signalFrames, harmonics, smoothing);
    const auto& input = r.recording.at(static_cast<std::size_t>(m.inputChannel - 1));
    // The first repeat's sweep and tail from its lag 0.
    const auto size = static_cast<std::int64_t>(input.size());
    const std::int64_t first = std::clamp<std::int64_t>(r.lagZero.front(), 0, size);
    const std::int64_t frames = std::min(size - first, std::int64_t{plan.frames} - plan.padBefore);
    const std::vector<double> inverse = inverseFilterValues(job, plan);
    analysis::SweepDeconvolver d(inverse, std::max<std::int64_t>(frames, 1));
    std::fill(d.recording(), d.recording() + d.recordingFrames(), 0.0);
    std::copy(input.begin() + first, input.begin() + first + frames, d.recording());
    d.run();
    return analysis::harmonicDistortion(d, p);
}

MeasureStatus measure(const MeasureDescription& m, const JobPlan& plan, const std::function<bool()>& stop,
                      MeasureResult& r, std::string& reason)
{
    const JobDescription job = measureJob(m);
    r = MeasureResult{};
    r.sampleRate = job.sampleRateHz;
    const audio::PlayFormatInfo* format = audio::playFormatOf(job.format);
    if (format == nullptr) {
        reason = "the devices take " + audio::playFormatNames() + " only";
        return MeasureStatus::DeviceFailed;
    }
    const std::int64_t total = static_cast<std::int64_t>(plan.frames) * m.repeats;

    SignalChain chain(job, plan, m.repeats > 1);
    audio::SoundOutput output;
    if (output.open(m.outputDevice, format->format, job.channels, job.sampleRateHz) < 0) {
        reason = output.reason();
        return MeasureStatus::DeviceFailed;
    }
    audio::SoundInput input;
    const int needed = std::max(m.inputChannel, m.referenceChannel);
    if (input.open(m.captureDevice, format->format, needed, job.sampleRateHz) < 0) {
        reason = input.reason();
        return MeasureStatus::DeviceFailed;
    }
    r.linked = input.linkTo(output);

    // The capture waits for the playback when they are linked, and starts
    // first when not, so that it holds the sweep's beginning either way.
    auto capture = std::make_unique<audio::CaptureThread>(input);
    // Linked for the start only: the capture thread unlinks once it runs.
    if (capture->start(total, !r.linked, r.linked) < 0) {
        reason = capture->reason();
        return MeasureStatus::DeviceFailed;
    }
    auto player = std::make_unique<audio::PlaybackThread>(output, chain.provider());
    player->setDither(chain.dither());
    if (player->start(total, plan.scale) < 0) {
        reason = player->reason();
        capture->requestStop();
        capture->waitDone(audio::CaptureThread::kStallLimit);
        return MeasureStatus::DeviceFailed;
    }
    bool stopped = false;
    constexpr std::chrono::milliseconds kPoll{20};
    while (!(capture->captureDone() && player->playDone())) {
        // A capture that ended before its first frames left the link.
        if (capture->captureDone() && input.linked())
            input.unlink();
        if (!stopped && stop && stop()) {
            stopped = true;
            capture->requestStop();
            player->requestStop();
        }
        // A failed half ends the other: the measurement is lost anyway.
        if ((capture->captureDone() && capture->captureResult() < 0) ||
            (player->playDone() && player->playResult() < 0)) {
            capture->requestStop();
            player->requestStop();
        }
        if (!capture->captureDone())
            capture->waitDone(kPoll);
        else
            player->waitDone(kPoll);
    }
    r.lostFrames = capture->framesLost();
    r.underruns = player->underrunCount();
    r.clippedSamples = chain.clippedSamples();
    if (stopped || (stop && stop()))
        return MeasureStatus::Stopped;
    if (capture->captureResult() < 0) {
        reason = capture->reason();
        return r.lostFrames > 0 ? MeasureStatus::Overrun : MeasureStatus::DeviceFailed;
    }
    if (player->playResult() < 0) {
        reason = player->reason();
        return MeasureStatus::DeviceFailed;
    }
    if (r.underruns > 0) {
        reason = "the playback ran dry " + std::to_string(r.underruns) + (r.underruns == 1 ? " time" : " times") +
                 ", so the sweep was not played as it is";
        return MeasureStatus::Underrun;
    }
    if (capture->framesCaptured() != total) {
        reason = "the capture ended after " + std::to_string(capture->framesCaptured()) + " of " +
                 std::to_string(total) + " frames";
        return MeasureStatus::DeviceFailed;
    }
    player.reset();
    // A capture that fitted can still leave too little room for its samples
    // and their transforms.
    try {
        decodeCapture(capture->bytes(), format->format, input.channelCount(), r.recording);
        capture.reset();
        return analyseRecording(m, plan, r, reason);
    } catch (const std::bad_alloc&) {
        capture.reset();
        r.recording = {};
        r.impulseResponse = {};
        reason = "not enough memory to analyse the " + std::to_string(total) + " frames recorded";
        return MeasureStatus::OutOfMemory;
    }
}

} // namespace corvane::session
