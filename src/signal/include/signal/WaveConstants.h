#pragma once

namespace corvane::signal {

// The generator's phase constants, as the exact doubles it compares against.
// They are written out rather than computed so every build agrees to the bit.
inline constexpr double kPiOver8 = 0.39269908169872414;
inline constexpr double kNinePiOver8 = 3.5342917352885173;
inline constexpr double kTwoPi = 6.283185307179586;

} // namespace corvane::signal
