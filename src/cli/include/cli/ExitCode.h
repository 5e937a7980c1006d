#pragma once

namespace corvane::cli {

// The process exit codes of every subcommand. A signal that stops a writing
// command ends it with 128 + the signal's number (InterruptGuard); a reader
// that closed the pipe gives BrokenPipe, as the default SIGPIPE action would.
enum ExitCode : int { Ok = 0, UsageError = 2, Failed = 3, BrokenPipe = 141 };

} // namespace corvane::cli
