#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace cli {

// Exit codes shared by the subcommands.
enum ExitCode : int { Ok = 0, UsageError = 2, Failed = 3, Interrupted = 130 };

// `corvane export`: writes the tone that the window's save command would write
// for the same parameters. args are the words after "export". Messages go to
// err, the one-line report of a written file to out.
int runExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

extern const char* const kExportUsage;

} // namespace cli
