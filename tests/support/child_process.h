// Processes for the tests: a step run in a forked child (with or without root's privileges) and a
// program run through the shell with its output captured.
#pragma once

#include <functional>
#include <string>

namespace quorvane::testing {

// What a child process left: how it ended and what it wrote to its pipe.
struct ChildResult {
    int status = -1;
    std::string text;

    // The child ended normally with status 0.
    bool Exited() const;
    // The child was ended by `signal`.
    bool KilledBy(int signal) const;
};

// Runs `body` in a child process and returns the text it produced; the child ends with status 0.
ChildResult InChild(const std::function<std::string()>& body);

// Runs `body` in a child process without root's privileges (as nobody when started as root).
ChildResult Unprivileged(const std::function<std::string()>& body);

// Exit status (-1 when the program did not exit normally) and the merged outputs of a command.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built program `program` with `arguments` (already quoted for the shell); standard
// error is merged into `out`.
RunResult RunProgram(const std::string& program, const std::string& arguments);

}  // namespace quorvane::testing
