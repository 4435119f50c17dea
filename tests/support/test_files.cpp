#include "support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace quorvane::testing {

namespace fs = std::filesystem;

std::string TestModel(const std::string& name) {
    return std::string(QUORVANE_TEST_DATA) + "/" + name;
}

std::string SourceFile(const std::string& relative) {
    return std::string(QUORVANE_SOURCE_DIR) + "/" + relative;
}

std::string ProgramFolder() {
    return QUORVANE_BIN_DIR;
}

fs::path ScratchFolder(const std::string& group) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder =
        fs::path(QUORVANE_TEST_OUT) / group / (std::string(info->test_suite_name()) + "." + info->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace quorvane::testing
