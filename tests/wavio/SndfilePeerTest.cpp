// What our writer produces must read back through an independent WAV reader,
// sample for sample.
#include "signal/MiniWaveGen.h"
#include "wavio/ByteSink.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using namespace std::chrono_literals;

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("corvane-peer-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// The expected file value of one generated sample, worked out from the
// documented rule independently of the encoder.
long long expectedInteger(double x, int format)
{
    static const long long lo[] = {0, -32768, -8388608, -2147483647};
    static const long long hi[] = {255, 32767, 8388607, 2147483647};
    long double v = std::trunc(static_cast<long double>(x) * wavio::fullScale(*wavio::formatOfCode(format)) + 0.5L);
    if (format == core::codeOf(wavio::U8))
        v += 128;
    v = std::fmax(v, static_cast<long double>(lo[format]));
    v = std::fmin(v, static_cast<long double>(hi[format]));
    const long long value = static_cast<long long>(v);
    return format == core::codeOf(wavio::U8) ? value - 128 : value;
}

struct PeerCase {
    int format;
    int channels;
    int shape;
    double levelDb;
};

void PrintTo(const PeerCase& c, std::ostream* os)
{
    *os << "format " << c.format << ", " << c.channels << " ch, shape " << c.shape << ", " << c.levelDb << " dB";
}

std::string caseName(const testing::TestParamInfo<PeerCase>& info)
{
    static const char* names[] = {"U8", "S16", "S24", "S32", "F32", "F64"};
    static const char* shapes[] = {"Sine", "StepUp", "StepDown", "Square", "PulseUp", "PulseDown"};
    return std::string(names[info.param.format]) + (info.param.channels == 2 ? "Stereo" : "Mono") +
           shapes[info.param.shape];
}

class SndfilePeer : public testing::TestWithParam<PeerCase> {};

TEST_P(SndfilePeer, ReadsBackExactly)
{
    const PeerCase c = GetParam();
    constexpr int fs = 48000;
    constexpr int frames = 20011; // odd, and more than one block in every format
    const double refLevel = 0.1;
    double amplitude = std::pow(10.0, c.levelDb * 0.05);
    if (c.format > core::codeOf(wavio::S32))
        amplitude *= refLevel;

    const std::string path = tempPath(caseName({GetParam(), 0}) + ".wav");
    {
        wavio::FileSink file;
        ASSERT_EQ(file.create(path), 0);
        signal::MiniWaveGen gen;
        gen.setSignal(c.shape, c.channels, 997.0, fs, amplitude);
        wavio::FileWriteThread thread(file, gen, frames, fs, c.channels);
        thread.setDataFormat(4, static_cast<char>(c.format), wavio::fullScale(*wavio::formatOfCode(c.format)));
        thread.start();
        ASSERT_TRUE(thread.waitDone(60s)) << "the writing thread did not finish";
        ASSERT_EQ(thread.storeResult(), 0);
        ASSERT_EQ(file.close(), 0);
    }

    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.frames, frames);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_EQ(info.samplerate, fs);
    static const int subtypes[] = {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24,
                                   SF_FORMAT_PCM_32, SF_FORMAT_FLOAT,  SF_FORMAT_DOUBLE};
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, subtypes[c.format]);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.format > core::codeOf(wavio::S16) ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);

    signal::MiniWaveGen reference;
    reference.setSignal(c.shape, 1, 997.0, fs, amplitude);
    std::vector<double> x(frames);
    ASSERT_EQ(reference.execStore(x.data(), frames), 0);

    const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(c.channels);
    int mismatches = 0;
    if (c.format <= core::codeOf(wavio::S32)) {
        std::vector<int> got(n);
        ASSERT_EQ(sf_readf_int(sf, got.data(), frames), frames);
        // The reader left-justifies every width into 32 bits.
        const int shift[] = {24, 16, 8, 0};
        for (size_t i = 0; i < n && mismatches < 5; ++i) {
            const long long want = expectedInteger(x[i / static_cast<size_t>(c.channels)], c.format);
            if (got[i] >> shift[c.format] != want) {
                ADD_FAILURE() << "sample " << i << ": " << (got[i] >> shift[c.format]) << " != " << want;
                ++mismatches;
            }
        }
    } else if (c.format == core::codeOf(wavio::F32)) {
        std::vector<float> got(n);
        ASSERT_EQ(sf_readf_float(sf, got.data(), frames), frames);
        for (size_t i = 0; i < n && mismatches < 5; ++i) {
            const float want = static_cast<float>(x[i / static_cast<size_t>(c.channels)]);
            if (got[i] != want) {
                ADD_FAILURE() << "sample " << i << ": " << got[i] << " != " << want;
                ++mismatches;
            }
        }
    } else {
        std::vector<double> got(n);
        ASSERT_EQ(sf_readf_double(sf, got.data(), frames), frames);
        for (size_t i = 0; i < n && mismatches < 5; ++i) {
            const double want = x[i / static_cast<size_t>(c.channels)];
            if (got[i] != want) {
                ADD_FAILURE() << "sample " << i << ": " << got[i] << " != " << want;
                ++mismatches;
            }
        }
    }
    sf_close(sf);
    std::remove(path.c_str());
}

std::vector<PeerCase> peerCases()
{
    std::vector<PeerCase> cases;
    for (int format = 0; format <= 5; ++format)
        for (int channels = 1; channels <= 2; ++channels) {
            cases.push_back({format, channels, signal::MiniWaveGen::Sine, 25.0}); // clips the integers
            cases.push_back({format, channels, signal::MiniWaveGen::PulseDown, -3.0});
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SndfilePeer, testing::ValuesIn(peerCases()), caseName);

} // namespace
