// Files for the tests: the bundled models, scratch folders of the running test, and whole-file
// reading and writing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::testing {

// The path of a bundled test model.
std::string TestModel(const std::string& name);

// The path of a file the source tree holds, relative to its top (as "data/quorvane.desktop").
std::string SourceFile(const std::string& relative);

// The folder of the built programs.
std::string ProgramFolder();

// An empty folder of its own for the running test, under the build's test output in `group`.
std::filesystem::path ScratchFolder(const std::string& group);

// The bytes of a file (empty when it cannot be read).
std::string ReadBytes(const std::filesystem::path& path);

// Replaces the content of a file with `bytes`.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// The lines of `text`, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// The names in a folder, sorted (hidden ones included).
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

}  // namespace quorvane::testing
