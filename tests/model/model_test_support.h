// Shared pieces of the model tests: a model's polygons as plain lists, whole-file reading, the
// consistency of a loaded model as a test assertion, and running a step in a child process.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/document.h"

namespace quorvane::testing {

// Every polygon's indices, in order.
inline std::vector<std::vector<int>> PolygonsOf(const CQuorvaneDoc& doc) {
    std::vector<std::vector<int>> out;
    for (int j = 0; j < doc.m_polygons.GetSize(); ++j) {
        out.emplace_back(doc.m_polygons[j].begin(), doc.m_polygons[j].end());
    }
    return out;
}

// Success when the document passes its own consistency check, else the check's reason.
inline ::testing::AssertionResult IsConsistent(const CQuorvaneDoc& doc) {
    std::string why;
    if (doc.CheckConsistency(&why)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "inconsistent document: " << why;
}

// The bytes of a file.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The path of a bundled test model.
inline std::string TestModel(const std::string& name) {
    return std::string(QUORVANE_TEST_DATA) + "/" + name;
}

// What a child process left: how it ended and what it wrote to its pipe.
struct ChildResult {
    int status = -1;
    std::string text;

    bool Exited() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    bool KilledBy(int signal) const { return WIFSIGNALED(status) && WTERMSIG(status) == signal; }
};

// Runs `body` in a child process and returns the text it produced; the child ends with status 0.
inline ChildResult InChild(const std::function<std::string()>& body) {
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

// Runs `body` in a child process without root's privileges (as nobody when started as root).
inline ChildResult Unprivileged(const std::function<std::string()>& body) {
    return InChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return std::string("cannot drop privileges");
        }
        return body();
    });
}

}  // namespace quorvane::testing
