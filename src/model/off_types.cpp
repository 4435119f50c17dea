#include "model/off_types.h"

#include <utility>

namespace quorvane {

std::string OffError::ToString() const {
    if (line == 0) {
        return reason;
    }
    return "line " + std::to_string(line) + ": " + reason;
}

void OffRepairReport::Add(OffRepairKind kind, std::size_t line, std::string detail) {
    if (WantsDetail(kind)) {
        m_examples.push_back(OffRepair{kind, line, std::move(detail)});
    }
    ++m_counts[Index(kind)];
    ++m_total;
}

void OffRepairReport::Append(const OffRepairReport& later) {
    std::size_t taken[static_cast<std::size_t>(OffRepairKind::kCount)] = {};
    for (const OffRepair& repair : later.m_examples) {
        const std::size_t k = Index(repair.kind);
        if (m_counts[k] + taken[k] < kExamplesPerKind) {
            m_examples.push_back(repair);
        }
        ++taken[k];
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        m_counts[k] += later.m_counts[k];
    }
    m_total += later.m_total;
}

void OffRepairReport::Clear() {
    *this = OffRepairReport();
}

const char* OffRepairReport::KindName(OffRepairKind kind) {
    switch (kind) {
        case OffRepairKind::kByteOrderMark:
            return "byte_order_mark";
        case OffRepairKind::kKeywordVariant:
            return "keyword_variant";
        case OffRepairKind::kKeywordBlanks:
            return "keyword_blanks";
        case OffRepairKind::kCountsOnKeyword:
            return "counts_on_keyword_line";
        case OffRepairKind::kMissingKeyword:
            return "missing_keyword";
        case OffRepairKind::kBinary:
            return "binary";
        case OffRepairKind::kCommentLine:
            return "comment_line";
        case OffRepairKind::kTrailingComment:
            return "trailing_comment";
        case OffRepairKind::kBlankLine:
            return "blank_line";
        case OffRepairKind::kBadIndexFace:
            return "bad_index_polygon";
        case OffRepairKind::kNegativeCountFace:
            return "negative_count_polygon";
        case OffRepairKind::kShortFace:
            return "short_polygon";
        case OffRepairKind::kMissingFaces:
            return "missing_polygons";
        case OffRepairKind::kPointSet:
            return "point_set";
        case OffRepairKind::kCount:
            break;
    }
    return "unknown";
}

namespace {

// The words for one repair of a kind and for several, in the order of OffRepairKind (the
// titles of KindTitle stay as they are: machine-readable output carries them).
struct KindWords {
    const char* one;
    const char* many;
};
constexpr KindWords kKindWords[static_cast<std::size_t>(OffRepairKind::kCount)] = {
    {"byte-order mark removed", "byte-order marks removed"},
    {"keyword variant read as OFF", "keyword variants read as OFF"},
    {"keyword line with extra blanks read", "keyword lines with extra blanks read"},
    {"keyword line with the counts on it read", "keyword lines with the counts on them read"},
    {"missing OFF keyword", "missing OFF keywords"},
    {"binary form read", "binary forms read"},
    {"comment line skipped", "comment lines skipped"},
    {"comment after data removed", "comments after data removed"},
    {"blank line skipped", "blank lines skipped"},
    {"polygon with a vertex index out of range dropped", "polygons with a vertex index out of range dropped"},
    {"polygon with a negative vertex count dropped", "polygons with a negative vertex count dropped"},
    {"polygon with fewer indices than its count dropped",
     "polygons with fewer indices than their count dropped"},
    {"file ended before all polygons", "files ended before all polygons"},
    {"point set without polygons read", "point sets without polygons read"},
};

}  // namespace

const char* OffRepairReport::KindTitle(OffRepairKind kind) {
    switch (kind) {
        case OffRepairKind::kByteOrderMark:
            return "byte-order mark removed";
        case OffRepairKind::kKeywordVariant:
            return "keyword variant read as OFF";
        case OffRepairKind::kKeywordBlanks:
            return "blanks around the keyword ignored";
        case OffRepairKind::kCountsOnKeyword:
            return "counts read from the keyword's line";
        case OffRepairKind::kMissingKeyword:
            return "missing OFF keyword";
        case OffRepairKind::kBinary:
            return "binary form read";
        case OffRepairKind::kCommentLine:
            return "comment lines skipped";
        case OffRepairKind::kTrailingComment:
            return "comments after data removed";
        case OffRepairKind::kBlankLine:
            return "blank lines skipped";
        case OffRepairKind::kBadIndexFace:
            return "polygons with a vertex index out of range dropped";
        case OffRepairKind::kNegativeCountFace:
            return "polygons with a negative vertex count dropped";
        case OffRepairKind::kShortFace:
            return "polygons with fewer indices than their count dropped";
        case OffRepairKind::kMissingFaces:
            return "file ends before all polygons";
        case OffRepairKind::kPointSet:
            return "point set without polygons read";
        case OffRepairKind::kCount:
            break;
    }
    return "unknown repair";
}

std::string OffRepairReport::CountedKind(OffRepairKind kind, std::size_t count) {
    if (kind < OffRepairKind::kByteOrderMark || kind >= OffRepairKind::kCount) {
        return std::to_string(count) + (count == 1 ? " unknown repair" : " unknown repairs");
    }
    const KindWords& words = kKindWords[Index(kind)];
    return std::to_string(count) + " " + (count == 1 ? words.one : words.many);
}

std::string OffRepairReport::Summary() const {
    std::string text;
    for (std::size_t k = 0; k < static_cast<std::size_t>(OffRepairKind::kCount); ++k) {
        if (m_counts[k] == 0) {
            continue;
        }
        const auto kind = static_cast<OffRepairKind>(k);
        text += CountedKind(kind, m_counts[k]) + "\n";
        for (const OffRepair& repair : m_examples) {
            if (repair.kind != kind) {
                continue;
            }
            text += "    ";
            if (repair.line != 0) {
                text += "line " + std::to_string(repair.line) + ": ";
            }
            text += repair.detail + "\n";
        }
        if (m_counts[k] > kExamplesPerKind) {
            text += "    and " + std::to_string(m_counts[k] - kExamplesPerKind) + " more\n";
        }
    }
    return text;
}

}  // namespace quorvane
