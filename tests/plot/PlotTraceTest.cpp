#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kTrace = plot::rgb(0, 255, 0);

struct Segment {
    int x1, y1, x2, y2;
    bool operator==(const Segment&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Segment& s)
{
    return os << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}

std::vector<Segment> segments(const RecordingSurface& s)
{
    std::vector<Segment> out;
    for (const auto& l : s.lines)
        out.push_back({l.x1, l.y1, l.x2, l.y2});
    return out;
}

// X from 0 to 10 on 361 columns, channel 0 from -1 to 1 on 201 rows: the value
// 0 sits at row 100.5 and X 5 at column 180.5, both ties.
struct TraceCanvas : ::testing::Test {
    TraceCanvas()
    {
        EXPECT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        EXPECT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
        surface.forget();
    }
    RecordingSurface surface;
    plot::PlotCanvas canvas{surface};
};

TEST_F(TraceCanvas, SegmentsOnALinearAxis)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        std::vector<double> data;
        double gain, offset, xFirst, xLast;
        std::vector<Segment> expected;
    };
    const Case cases[] = {
        {"PeakInTheMiddleTiesGoEven", {0, 1, 0}, 1, 0, 0, 10, {{0, 100, 180, 0}, {180, 0, 361, 100}}},
        {"RightToLeft", {0, 1, 0}, 1, 0, 10, 0, {{361, 100, 180, 0}, {180, 0, 0, 100}}},
        {"GainAndOffset", {0, 0.25}, 2, 0.5, 0, 10, {{0, 50, 361, 0}}},
        // Columns -72.2, 0, 72.2, 144.4: the segment crossing the left edge is drawn.
        {"StartsLeftOfTheAxis",
         {0, 0, 0, 0, 0},
         1,
         0,
         -4,
         4,
         {{-72, 100, 0, 100}, {0, 100, 72, 100}, {72, 100, 144, 100}}},
        // Columns 216.6, 288.8, 361, 433.2, 505.4: the segment starting at the
        // right edge is drawn, the next one is skipped.
        {"RunsOffTheRight",
         {0, 0, 0, 0, 0},
         1,
         0,
         6,
         14,
         {{217, 100, 289, 100}, {289, 100, 361, 100}, {361, 100, 433, 100}}},
        // Rows 402 are below the plot at both ends; -201 above it is not tested.
        {"BelowThePlotSkippedAboveDrawn",
         {-3, -3, 3, 3},
         1,
         0,
         0,
         10,
         {{120, 402, 241, -201}, {241, -201, 361, -201}}},
        // 1e12 maps to a row beyond 32 bits; 1e6 to row -100499899.5, a tie
        // that goes to the even -100499900.
        {"BeyondThirtyTwoBitsSkipped", {0, 1e12, 0, 1e6}, 1, 0, 0, 10, {{241, 100, 361, -100499900}}},
        {"NotANumberOrInfiniteSkipped", {0, std::nan(""), 0, inf, 0}, 1, 0, 0, 4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.forget();
        ASSERT_EQ(canvas.draw(c.data.data(), c.gain, c.offset, c.xFirst, c.xLast, static_cast<int>(c.data.size()),
                              kTrace, 0),
                  0);
        EXPECT_EQ(segments(surface), c.expected);
        for (const auto& l : surface.lines)
            EXPECT_EQ(l.colour, kTrace);
    }
}

TEST(PlotCanvasTrace, NearestEvenColumnsAtHalfPixels)
{
    // 256 columns for 256 X units: the fractions are exact in binary, so X
    // values are pixel positions to the last bit.
    RecordingSurface s({40, 48, 256, 201});
    plot::PlotCanvas canvas(s);
    ASSERT_EQ(canvas.setXScale(0.0, 256.0, 256.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    const double data[] = {0, 0, 0};
    ASSERT_EQ(canvas.draw(data, 1, 0, 2.5, 4.5, 3, kTrace, 0), 0);
    EXPECT_EQ(segments(s), (std::vector<Segment>{{2, 100, 4, 100}, {4, 100, 4, 100}}));
}

TEST_F(TraceCanvas, EachSegmentIsAMoveAndALine)
{
    const double data[] = {0, 1, 0};
    ASSERT_EQ(canvas.draw(data, 3, kTrace, 0), 0);
    const std::vector<std::string> expected = {"pen 65280", "moveTo 0 100", "lineTo 180 0", "moveTo 180 0",
                                               "lineTo 361 100"};
    EXPECT_EQ(surface.calls, expected);
}

TEST_F(TraceCanvas, ShortFormsReadTheAxisAtTheCall)
{
    const double data[] = {1, -1};
    ASSERT_EQ(canvas.draw(data, 2, kTrace, 0), 0);
    ASSERT_EQ(canvas.setXScale(-10.0, 20.0, 5.0, kGrey), 0);
    ASSERT_EQ(canvas.draw(data, 0.5, 0.0, 2, kTrace, 0), 0);
    // Both span the whole axis; the second at half height: rows 50.25 and 150.75.
    const auto all = segments(surface);
    ASSERT_EQ(all.size(), 5u); // three grid lines between the traces
    EXPECT_EQ(all.front(), (Segment{0, 0, 361, 201}));
    EXPECT_EQ(all.back(), (Segment{0, 50, 361, 151}));
}

TEST_F(TraceCanvas, SizesAndScaleChecks)
{
    std::vector<double> big(50001, 0.0);
    struct Case {
        const char* name;
        int dataSize;
        int channel;
        int drawResult, dbResult;
        std::size_t lines;
    };
    const Case cases[] = {
        {"FiftyThousandAccepted", 50000, 0, 0, 0, 49999},
        {"OneMoreRefused", 50001, 0, core::kDrawTooManySamples, core::kDbDrawTooManySamples, 0},
        {"EmptyDrawsNothing", 0, 0, 0, 0, 0},
        {"OneSampleDrawsNothing", 1, 0, 0, 0, 0},
        {"NegativeSizeDrawsNothing", -5, 0, 0, 0, 0},
        {"ChannelWithoutScale", 2, 2, core::kScalesNotSet, core::kScalesNotSet, 0},
        {"NoSuchChannel", 2, 6, core::kScalesNotSet, core::kScalesNotSet, 0},
        {"NegativeChannel", 2, -1, core::kScalesNotSet, core::kScalesNotSet, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.forget();
        EXPECT_EQ(canvas.draw(big.data(), 1, 0, 0, 10, c.dataSize, kTrace, c.channel), c.drawResult);
        EXPECT_EQ(surface.lines.size(), c.lines);
        surface.forget();
        std::vector<double> ones(big.size(), 1.0);
        EXPECT_EQ(canvas.dBdraw(ones.data(), 1.0, 0, 10, c.dataSize, kTrace, c.channel), c.dbResult);
        EXPECT_EQ(surface.lines.size(), c.lines);
    }
}

TEST(PlotCanvasTrace, AxisWithoutScaleIsRefused)
{
    RecordingSurface s;
    plot::PlotCanvas canvas(s);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    const double data[] = {0, 0};
    EXPECT_EQ(canvas.draw(data, 2, kTrace, 0), core::kScalesNotSet);
    EXPECT_EQ(canvas.dBdraw(data, 1.0, 2, kTrace), core::kScalesNotSet);
    EXPECT_TRUE(s.calls.empty());
}

TEST(PlotCanvasTrace, DecibelValuesAndTheFloor)
{
    struct Case {
        const char* name;
        std::vector<double> data;
        double reference;
        std::vector<Segment> expected;
    };
    // Channel 0 from -60 dB to 0 dB: 0 is row 0, -20 row 67, -40 row 134,
    // and the -1000 floor row 3350, far below.
    const Case cases[] = {
        {"TenfoldSteps", {1, 0.1, 0.01}, 1.0, {{0, 0, 180, 67}, {180, 67, 361, 134}}},
        {"ReferenceScales", {10, 1}, 10.0, {{0, 0, 361, 67}}},
        {"ZeroAndNegativeGoToTheFloor", {1, 0, -0.5}, 1.0, {{0, 0, 180, 3350}}},
        {"FloorTestIsOnTheSample", {1e-40, 1e-51}, 1e-40, {{0, 0, 361, 3350}}},
        {"ZeroReferenceSkipped", {1, 0.1}, 0.0, {}},
        {"NegativeReferenceSkipped", {1, 0.1}, -1.0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        plot::PlotCanvas canvas(s);
        ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        ASSERT_EQ(canvas.setYScale(-60.0, 60.0, 0), 0);
        s.forget();
        ASSERT_EQ(canvas.dBdraw(c.data.data(), c.reference, static_cast<int>(c.data.size()), kTrace), 0);
        EXPECT_EQ(segments(s), c.expected);
    }
}

TEST(PlotCanvasTrace, LogarithmicAxis)
{
    RecordingSurface s;
    plot::PlotCanvas canvas(s);
    ASSERT_EQ(canvas.setXScale(20.0, 1000.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    s.forget();
    const double data[] = {0, 0, 0};
    // X -16000, 2000, 20000: the first has no place on the axis.
    ASSERT_EQ(canvas.draw(data, 1, 0, -16000.0, 20000.0, 3, kTrace, 0), 0);
    EXPECT_EQ(segments(s), (std::vector<Segment>{{241, 100, 361, 100}}));

    // The channel checks of the linear axis hold as well.
    EXPECT_EQ(canvas.draw(data, 3, kTrace, 1), core::kScalesNotSet);
}

} // namespace
