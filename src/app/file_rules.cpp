#include "app/file_rules.h"

#include "viewing/camera_fault.h"

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

std::string EscapeTitlePlaceholder(std::string_view text) {
    constexpr std::string_view kPlaceholder = "[*]";
    std::string escaped;
    escaped.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(kPlaceholder); at != std::string_view::npos;
         at = text.find(kPlaceholder, from)) {
        escaped.append(text.substr(from, at - from));
        escaped.append("[*][*]");
        from = at + kPlaceholder.size();
    }
    escaped.append(text.substr(from));
    return escaped;
}

std::string FrameCaption(std::string_view documentTitle, bool repaired) {
    return EscapeTitlePlaceholder(documentTitle) + (repaired ? " (repaired)" : "") + "[*] - Quorvane";
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

namespace {

// "1 comment line", "12 comment lines".
std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// What saving over the source loses for `count` repairs of `kind`.
std::string RepairLoss(OffRepairKind kind, std::size_t count) {
    switch (kind) {
        case OffRepairKind::kByteOrderMark:
            return "the UTF-8 byte-order mark";
        case OffRepairKind::kKeywordVariant:
            return "the extra vertex values of its keyword variant (colours, normals or texture coordinates)";
        case OffRepairKind::kKeywordBlanks:
            return "the blanks around the keyword";
        case OffRepairKind::kCountsOnKeyword:
            return "the counts on the keyword's line (they are written on a line of their own)";
        case OffRepairKind::kMissingKeyword:
            return "the start without the OFF keyword (the keyword is written)";
        case OffRepairKind::kBinary:
            return "the binary form (the model is written as text)";
        case OffRepairKind::kCommentLine:
            return Counted(count, "comment line", "comment lines");
        case OffRepairKind::kTrailingComment:
            return Counted(count, "comment after data", "comments after data");
        case OffRepairKind::kBlankLine:
            return Counted(count, "blank line", "blank lines");
        case OffRepairKind::kBadIndexFace:
            return Counted(count, "dropped polygon", "dropped polygons") +
                   " with a vertex index out of range";
        case OffRepairKind::kNegativeCountFace:
            return Counted(count, "dropped polygon", "dropped polygons") + " with a negative vertex count";
        case OffRepairKind::kShortFace:
            return Counted(count, "dropped polygon", "dropped polygons") +
                   " with fewer indices than their count";
        case OffRepairKind::kMissingFaces:
            return "the polygon count the file announced (it ends before all polygons)";
        case OffRepairKind::kPointSet:
            return "nothing of the point set, but the file written has no polygons, which only opening with "
                   "repairs "
                   "accepts";
        case OffRepairKind::kCount:
            break;
    }
    return Counted(count, "other repair", "other repairs");
}

}  // namespace

std::vector<std::string> RepairedSaveLosses(const OffRepairReport& repairs) {
    std::vector<std::string> losses;
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        const auto kind = static_cast<OffRepairKind>(k);
        if (repairs.Count(kind) > 0) {
            losses.push_back(RepairLoss(kind, repairs.Count(kind)));
        }
    }
    return losses;
}

std::string RepairedSaveQuestion(std::string_view documentTitle, const OffRepairReport& repairs) {
    const std::string name(documentTitle);
    std::string text =
        name + " was opened with repairs. Saving over it writes plain OFF, and the file loses:\n\n";
    for (const std::string& loss : RepairedSaveLosses(repairs)) {
        text += "- " + loss + "\n";
    }
    text += "\nSave over " + name + " anyway, or keep it and save to another file with Save As?";
    return text;
}

std::string MissingFileMessage(std::string_view path) {
    return std::string(path) +
           "\nCannot find this file.\nPlease verify that the correct path and file name are given.";
}

std::string DegenerateCameraMessage(const CViewingSpace& camera) {
    return "The camera is degenerate: " + DescribeCameraFault(camera);
}

}  // namespace quorvane
