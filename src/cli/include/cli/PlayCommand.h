#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace corvane::cli {

// `corvane play`: plays on a sound device exactly the samples `corvane export`
// writes for the same options, or lists the devices. Messages and the
// summary go to err; the device list to out.
int runPlay(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

std::string playUsage();

} // namespace corvane::cli
