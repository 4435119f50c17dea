#include "app/file_rules.h"

namespace quorvane {

std::string EnsureDefaultExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // A leading dot marks a hidden file, not an extension: ".model" still gets ".off".
    const std::size_t dot = name.rfind('.');
    std::string result(path);
    if (!name.empty() && (dot == std::string_view::npos || dot == 0)) {
        result += kDefaultExtension;
    }
    return result;
}

std::string DocumentTitle(std::string_view path) {
    if (path.empty()) {
        return std::string(kUntitled);
    }
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FrameCaption(std::string_view documentTitle) {
    return std::string(documentTitle) + "[*] - Quorvane";
}

std::string SaveChangesQuestion(std::string_view documentTitle) {
    return "Save changes to " + std::string(documentTitle) + "?";
}

std::string OpenFailureMessage(std::string_view path, const OffError& error) {
    std::string text = std::string(path) + "\nThe file could not be opened.\n";
    if (error.line > 0) {
        text += "Line " + std::to_string(error.line) + ": ";
    }
    text += error.reason.empty() ? std::string("unknown error") : error.reason;
    return text;
}

std::string RepairOfferMessage(std::string_view path, const OffError& error, const OffRepairReport& repairs) {
    return OpenFailureMessage(path, error) + "\n\nThe file can be opened with " +
           std::to_string(repairs.Total()) + (repairs.Total() == 1 ? " repair." : " repairs.");
}

std::string RepairSummaryMessage(std::string_view path, const OffRepairReport& repairs) {
    return std::string(path) + "\n" + RepairStatusText(repairs) + ":\n\n" + repairs.Summary();
}

std::string RepairStatusText(const OffRepairReport& repairs) {
    return "Opened with " + std::to_string(repairs.Total()) + (repairs.Total() == 1 ? " repair" : " repairs");
}

std::string SaveFailureMessage(std::string_view path, std::string_view reason) {
    return std::string(path) + "\nThe file could not be saved.\n" +
           (reason.empty() ? std::string("unknown error") : std::string(reason));
}

std::string MissingFileMessage(std::string_view path) {
    return std::string(path) +
           "\nCannot find this file.\nPlease verify that the correct path and file name are given.";
}

}  // namespace quorvane
