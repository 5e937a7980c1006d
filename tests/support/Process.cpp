#include "support/Process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
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
