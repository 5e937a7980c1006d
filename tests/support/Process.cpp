#include "support/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

extern char** environ;

namespace {

std::vector<char*> argvOf(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int spawn(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
          const std::string& errPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    auto argv = argvOf(program, args);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

} // namespace

int waitProcess(int pid)
{
    if (pid < 0)
        return -1;
    // Every program the tests start ends within seconds; one still running
    // after five minutes (sanitizer builds included) is hung, and is killed
    // so that the test fails instead of stalling the suite.
    using namespace std::chrono_literals;
    const auto deadline = std::chrono::steady_clock::now() + 300s;
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            std::cerr << "waitProcess: pid " << pid << " still running after 300 s; killed\n";
            ::kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        std::this_thread::sleep_for(2ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args)
{
    char outTemplate[] = "/tmp/corvane-out-XXXXXX";
    char errTemplate[] = "/tmp/corvane-err-XXXXXX";
    const int outFd = mkstemp(outTemplate);
    const int errFd = mkstemp(errTemplate);
    close(outFd);
    close(errFd);
    ProcessResult result;
    result.exitCode = waitProcess(spawn(program, args, outTemplate, errTemplate));
    result.out = slurp(outTemplate);
    result.err = slurp(errTemplate);
    std::remove(outTemplate);
    std::remove(errTemplate);
    return result;
}

int startProcess(const std::string& program, const std::vector<std::string>& args)
{
    return spawn(program, args, "/dev/null", "/dev/null");
}

ChildResult runChild(const std::string& program, const std::vector<std::string>& args, const ChildSetup& setup)
{
    char outTemplate[] = "/tmp/corvane-out-XXXXXX";
    const int captureOut = mkstemp(outTemplate);
    // stderr comes through a pipe, so that a file-size limit meant for the
    // child's output files cannot cut its messages short.
    int errPipe[2] = {-1, -1};
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return {};
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls.
    auto argv = argvOf(program, args);
    const int redirected = setup.stdoutFd >= 0        ? setup.stdoutFd
                           : setup.stdoutPath.empty() ? captureOut
                                                      : open(setup.stdoutPath.c_str(), O_WRONLY | O_CLOEXEC);
    ChildResult result;
    const pid_t pid = redirected < 0 ? -1 : fork();
    if (pid == 0) {
        if (setup.fileSizeLimit >= 0) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigaction(SIGXFSZ, &ignore, nullptr);
            const rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit), static_cast<rlim_t>(setup.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(redirected, 1);
        dup2(errPipe[1], 2);
        execve(program.c_str(), argv.data(), environ);
        _exit(127);
    }
    close(errPipe[1]);
    if (redirected != captureOut && redirected != setup.stdoutFd && redirected >= 0)
        close(redirected);
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
        if (n > 0)
            result.err.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(errPipe[0]);
    int status = 0;
    if (pid > 0) {
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.termSignal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    close(captureOut);
    result.out = slurp(outTemplate);
    std::remove(outTemplate);
    return result;
}
