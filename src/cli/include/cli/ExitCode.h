#pragma once

namespace corvane::cli {

// The process exit codes of every subcommand.
enum ExitCode : int { Ok = 0, UsageError = 2, Failed = 3, Interrupted = 130 };

} // namespace corvane::cli
