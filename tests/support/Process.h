#pragma once

#include <string>
#include <vector>

// Runs a program to its end with stdout and stderr captured.
struct ProcessResult {
    int exitCode = -1;   // -1 when it did not exit normally
    std::string out;
    std::string err;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args);

// Starts a program in the background, its output thrown away; returns its pid.
int startProcess(const std::string& program, const std::vector<std::string>& args);

// Waits for a started program, at most five minutes (then it is killed);
// its exit code, or -1 when a signal ended it or it was killed.
int waitProcess(int pid);
