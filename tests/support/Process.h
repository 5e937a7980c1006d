#pragma once

#include <string>
#include <vector>

// Runs a program to its end with stdout and stderr captured.
struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args);

// Starts a program in the background, its output thrown away; returns its pid.
int startProcess(const std::string& program, const std::vector<std::string>& args);

// Waits for a started program, at most five minutes (then it is killed);
// its exit code, or -1 when a signal ended it or it was killed.
int waitProcess(int pid);

// How runChild starts a program, for the tests of its output handling.
struct ChildSetup {
    // Standard output goes to this file (opened for writing, not truncated,
    // so a device such as /dev/full works); empty: captured into out.
    std::string stdoutPath;
    // Or to this descriptor (a pipe's write end), when not -1.
    int stdoutFd = -1;
    // RLIMIT_FSIZE in bytes with SIGXFSZ ignored, so that writes beyond it
    // fail with EFBIG as on a full disk, without privileges; -1: no limit.
    long long fileSizeLimit = -1;
};

struct ChildResult {
    int exitCode = -1; // -1 when a signal ended it
    int termSignal = 0; // that signal, else 0
    std::string out; // captured stdout (when not redirected)
    std::string err;
};

ChildResult runChild(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup);
