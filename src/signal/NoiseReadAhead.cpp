#include "NoiseReadAhead.h"

#include "signal/PinkFilter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace corvane::signal {
namespace {

// A few buffers, so that neither side waits for the other at every
// hand-over, each small enough for the second-level cache.
constexpr int kSlots = 8;
// The drawer, finding every slot full, sleeps until this many are free
// again: it then runs for several slots at a time instead of waking for
// each one, which would keep both threads taking turns on one core.
constexpr int kResume = kSlots / 2;
constexpr int kSlotValues = 16384;

} // namespace

NoiseReadAhead::NoiseReadAhead(DrawValues drawValues, PinkFilter* pinkFilter)
    : draw(std::move(drawValues)), pink(pinkFilter), slots(kSlots, std::vector<double>(kSlotValues))
{
    if (pink)
        fronts.assign(kSlots, std::vector<double>(kSlotValues));
    drawer = std::thread([this] { drawLoop(); });
}

NoiseReadAhead::~NoiseReadAhead()
{
    {
        std::lock_guard lock(m);
        quit = true;
    }
    changed.notify_all();
    drawer.join();
}

void NoiseReadAhead::drawLoop()
{
    for (int k = 0;; ++k) {
        {
            std::unique_lock lock(m);
            if (filled == kSlots) {
                drawerAsleep = true;
                changed.wait(lock, [&] { return quit || filled <= kSlots - kResume; });
                drawerAsleep = false;
            }
            if (quit)
                return;
        }
        const auto at = static_cast<std::size_t>(k % kSlots);
        draw(slots[at].data(), kSlotValues);
        if (pink)
            pink->processFront(slots[at].data(), fronts[at].data(), kSlotValues);
        {
            std::lock_guard lock(m);
            ++filled;
        }
        changed.notify_all();
    }
}

void NoiseReadAhead::take(double* out, int count)
{
    for (int done = 0; done < count;) {
        if (!holding) {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return filled > 0; });
            holding = true;
            readAt = 0;
        }
        const int n = std::min(count - done, kSlotValues - readAt);
        const double* from = slots[static_cast<std::size_t>(readSlot)].data() + readAt;
        if (pink)
            pink->processBack(from, fronts[static_cast<std::size_t>(readSlot)].data() + readAt, out + done, n);
        else
            std::memcpy(out + done, from, sizeof(double) * static_cast<std::size_t>(n));
        readAt += n;
        done += n;
        if (readAt == kSlotValues) {
            holding = false;
            readSlot = (readSlot + 1) % kSlots;
            bool wake = false;
            {
                std::lock_guard lock(m);
                --filled;
                wake = drawerAsleep && filled <= kSlots - kResume;
            }
            if (wake)
                changed.notify_all();
        }
    }
}

void filterOnTwoThreads(std::int64_t total, const DrawValues& draw, PinkFilter& pink,
                        const std::function<void(const double* filtered, int count)>& use)
{
    std::vector<double> chunks[2] = {std::vector<double>(kTwoThreadChunk), std::vector<double>(kTwoThreadChunk)};
    std::vector<double> filtered(kTwoThreadChunk);
    std::mutex m;
    std::condition_variable changed;
    bool filled[2] = {false, false};

    std::thread drawer([&] {
        std::int64_t drawn = 0;
        for (int k = 0; drawn < total; ++k) {
            {
                std::unique_lock lock(m);
                changed.wait(lock, [&] { return !filled[k % 2]; });
            }
            const auto n = static_cast<int>(std::min<std::int64_t>(total - drawn, kTwoThreadChunk));
            draw(chunks[k % 2].data(), n);
            drawn += n;
            {
                std::lock_guard lock(m);
                filled[k % 2] = true;
            }
            changed.notify_all();
        }
    });

    std::int64_t done = 0;
    for (int k = 0; done < total; ++k) {
        {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return filled[k % 2]; });
        }
        const auto n = static_cast<int>(std::min<std::int64_t>(total - done, kTwoThreadChunk));
        pink.process(chunks[k % 2].data(), filtered.data(), n);
        {
            std::lock_guard lock(m);
            filled[k % 2] = false;
        }
        changed.notify_all();
        use(filtered.data(), n);
        done += n;
    }
    drawer.join();
}

} // namespace corvane::signal
