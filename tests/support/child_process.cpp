#include "support/child_process.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/test_files.h"

namespace quorvane::testing {

bool ChildResult::Exited() const {
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ChildResult::KilledBy(int signal) const {
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

ChildResult InChild(const std::function<std::string()>& body) {
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        const std::string text = body();
        const ssize_t written = ::write(pipeFds[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    ::waitpid(pid, &result.status, 0);
    return result;
}

ChildResult Unprivileged(const std::function<std::string()>& body) {
    return InChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return std::string("cannot drop privileges");
        }
        return body();
    });
}

RunResult RunProgram(const std::string& program, const std::string& arguments) {
    std::string command = "'";
    command.append(ProgramFolder())
        .append("/")
        .append(program)
        .append("' ")
        .append(arguments)
        .append(" 2>&1");
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace quorvane::testing
