// Shared helpers of the command-line tests: sample paths, scratch folders, running a subcommand.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace quorvane::cli::test {

namespace fs = std::filesystem;

inline std::string Sample(const std::string& name) {
    return std::string(QUORVANE_TEST_DATA) + "/" + name;
}

// An empty folder of its own for the running test, under the build's test output.
inline fs::path ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder =
        fs::path(QUORVANE_TEST_OUT) / "cli" / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Status and both outputs of one subcommand run.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

template <typename Options, typename Function>
RunResult RunCommand(Function function, const Options& options) {
    std::ostringstream out, err;
    RunResult result;
    result.status = function(options, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// Runs the quorvane-cli program with `arguments` (already quoted for the shell); standard error
// is merged into `out`.
inline RunResult RunBinary(const std::string& arguments) {
    const std::string command = std::string("'") + QUORVANE_BIN_DIR + "/quorvane-cli' " + arguments + " 2>&1";
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace quorvane::cli::test
