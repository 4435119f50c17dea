// Shared pieces of the command-line tests: the test-support library's helpers under this suite's
// namespace, and running a subcommand in this process or the quorvane-cli program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace quorvane::cli::test {

namespace fs = std::filesystem;

using quorvane::testing::FolderEntries;
using quorvane::testing::Lines;
using quorvane::testing::ReadBytes;
using quorvane::testing::RunResult;
using quorvane::testing::TestModel;
using quorvane::testing::WriteBytes;

// An empty folder of its own for the running test.
inline fs::path ScratchFolder() {
    return quorvane::testing::ScratchFolder("cli");
}

// Runs one subcommand's function in this process with `options`.
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
    return quorvane::testing::RunProgram("quorvane-cli", arguments);
}

}  // namespace quorvane::cli::test
