// Plays a 400 Hz sine at 0 dB (or writes the same samples as a WAV file, for
// a peer player) and prints the CPU time the whole process took:
//
//   corvane_play_bench [--device NAME] [--seconds S] [--fs HZ] [--channels N]
//                      [--format s16|s32|f32] [--wav PATH]
//
// Output, one line: frames underruns wall-s user-s sys-s. The run is checked
// before it is reported: every frame written, result 0; else exit 1.
#include "audio/PlaybackThread.h"
#include "audio/SoundOutput.h"
#include "core/ResultCodes.h"
#include "signal/MiniWaveGen.h"
#include "wavio/ByteSink.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace corvane;
using namespace corvane::audio;
using corvane::signal::MiniWaveGen;
using corvane::wavio::FileSink;
using corvane::wavio::FileWriteThread;
using namespace std::chrono_literals;

namespace {

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

int usage()
{
    std::fprintf(stderr, "usage: corvane_play_bench [--device NAME] [--seconds S] [--fs HZ] "
                         "[--channels N] [--format s16|s32|f32] [--wav PATH]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string device = "null";
    std::string wavPath;
    int lengthSeconds = 60;
    int fs = 48000;
    int channels = 2;
    const PlayFormatInfo* format = findPlayFormat("s16");
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--device")
            device = value;
        else if (option == "--wav")
            wavPath = value;
        else if (option == "--seconds")
            lengthSeconds = std::atoi(value);
        else if (option == "--fs")
            fs = std::atoi(value);
        else if (option == "--channels")
            channels = std::atoi(value);
        else if (option == "--format")
            format = findPlayFormat(value);
        else
            return usage();
    }
    if (argc % 2 == 0 || format == nullptr || lengthSeconds < 0 || lengthSeconds > 3600 || fs <= 0 ||
        fs > SoundOutput::kMaxRateHz)
        return usage();

    const int frames = lengthSeconds * fs;
    // 0 dB, as the export and `play` would have it: f32 carries the
    // reference level in the amplitude, the integer formats in the scale.
    const double amplitude = format->isFloat() ? 0.1 : 1.0;
    MiniWaveGen gen;
    gen.setSignal(MiniWaveGen::Sine, channels, 400.0, fs, amplitude);
    const double scale = wavio::fullScale(format->wavFormat());

    const auto start = std::chrono::steady_clock::now();
    long long done = 0;
    int underruns = 0;
    if (!wavPath.empty()) {
        FileSink sink;
        if (sink.create(wavPath) != 0) {
            std::fprintf(stderr, "cannot create %s\n", wavPath.c_str());
            return 1;
        }
        FileWriteThread writer(sink, gen, frames, fs, channels);
        writer.setDataFormat(signal::TWaveProvider::Float64, static_cast<char>(core::codeOf(format->wavFormat())), scale);
        writer.start();
        while (!writer.waitDone(1000ms)) {
        }
        if (writer.storeResult() != 0 || sink.close() != 0) {
            std::fprintf(stderr, "writing %s failed: %d\n", wavPath.c_str(), writer.storeResult());
            return 1;
        }
        done = frames;
    } else {
        SoundOutput output;
        if (const int r = output.open(device, format->format, channels, fs); r != 0) {
            std::fprintf(stderr, "open: %d: %s\n", r, output.reason().c_str());
            return 1;
        }
        PlaybackThread player(output, gen);
        if (const int r = player.start(frames, scale); r != 0) {
            std::fprintf(stderr, "start: %d: %s\n", r, player.reason().c_str());
            return 1;
        }
        while (!player.waitDone(1000ms)) {
        }
        if (player.playResult() != 0 || player.framesWritten() != frames) {
            std::fprintf(stderr, "play: %d after %lld frames: %s\n", player.playResult(),
                         static_cast<long long>(player.framesWritten()), player.reason().c_str());
            return 1;
        }
        done = player.framesWritten();
        underruns = player.underrunCount();
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %d %.3f %.3f %.3f\n", done, underruns, wall.count(), seconds(usage.ru_utime),
                seconds(usage.ru_stime));
    return 0;
}
