#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

// Reading back what a test had written, for the suites that run exports.
namespace {

// Names of the temporary files a replaced file's writing left in a folder;
// each test expects none.
inline std::vector<std::string> leftovers(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().find(".corvane-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
}

inline std::string textOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A path of the running process's own in the temporary directory,
// "PREFIX-PID-NAME", so that suites running side by side never share one.
// Nothing is created; the caller removes what it writes there.
inline std::string tempFilePath(const std::string& prefix, const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

// An empty folder of the running test's own, "PREFIX-PID-TESTNAME" in the
// temporary directory ("PREFIX-PID" outside a test, for an environment's set
// up). The caller removes it.
inline std::filesystem::path freshTestFolder(const std::string& prefix)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir =
        test != nullptr ? std::filesystem::path(tempFilePath(prefix, test->name()))
                        : std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace
