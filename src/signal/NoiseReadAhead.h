#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane::signal {

class PinkFilter;

// count values of a stream into out, from where the last call stopped.
using DrawValues = std::function<void(double* out, int count)>;

// The noise's read-ahead: a second thread draws the stream a few buffers
// ahead of the reader, so drawing the values and filtering and scaling them
// run on two cores. Pink noise splits its filter between the two (the front
// part in the drawing thread, the back part in the reader's), which shares
// the work about evenly. The values and their order are those of the stream.
// While it runs, only its thread calls draw.
class NoiseReadAhead {
public:
    // Starts the drawing thread; pink, when given, is run in its two parts.
    NoiseReadAhead(DrawValues draw, PinkFilter* pink);
    // Stops the drawing thread, which may have drawn past what was taken.
    ~NoiseReadAhead();
    NoiseReadAhead(const NoiseReadAhead&) = delete;
    NoiseReadAhead& operator=(const NoiseReadAhead&) = delete;

    // The next count values (filtered, for pink noise) into out.
    void take(double* out, int count);

private:
    void drawLoop();

    DrawValues draw;
    PinkFilter* pink;
    // Slot k % kSlots holds the k-th block of values from where the
    // stream stood at the start.
    std::vector<std::vector<double>> slots;
    std::vector<std::vector<double>> fronts; // pink: the filter's front sums of each slot
    std::mutex m;
    std::condition_variable changed;
    int filled = 0; // slots drawn and not yet used up; guarded by m
    bool quit = false; // guarded by m
    bool drawerAsleep = false; // guarded by m
    // The reader's place, touched by the reading thread only.
    int readSlot = 0;
    int readAt = 0;
    bool holding = false;
    std::thread drawer;
};

// The stream's first total values through pink on two threads: a helper draws
// them a chunk of kTwoThreadChunk ahead while this thread filters them and
// hands use each filtered chunk, in order (the last one may be shorter). So a
// pass over long pink noise costs about half of one generation instead of a
// whole one.
inline constexpr int kTwoThreadChunk = 65536;
void filterOnTwoThreads(std::int64_t total, const DrawValues& draw, PinkFilter& pink,
                        const std::function<void(const double* filtered, int count)>& use);

} // namespace corvane::signal
