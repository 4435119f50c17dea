// The check subcommand: whether each file is accepted, many files at a time.
#include <ostream>
#include <vector>

#include "cli/commands.h"
#include "model/text_escape.h"

namespace quorvane::cli {

namespace {

// The verdict on one file. With --repair an accepted file is either strict (the strict reading
// accepts it) or repairable (only the repairing reading does, with `repairs`).
struct Verdict {
    bool ok = false;
    bool repaired = false;
    OffError error;
    OffRepairReport repairs;
};

// "strict", "repairable" or "refused".
const char* VerdictName(const Verdict& verdict) {
    return !verdict.ok ? "refused" : verdict.repaired ? "repairable" : "strict";
}

// {"file":...,"ok":...,"line":...,"reason":...}; an accepted file has line 0 and reason "".
// With --repair also "verdict" and "repairs".
std::string FormatJson(const std::string& file, const Verdict& verdict, bool repair) {
    std::string line = "{\"file\":";
    AppendJsonString(line, file);
    line += verdict.ok ? ",\"ok\":true,\"line\":" : ",\"ok\":false,\"line\":";
    AppendJsonInteger(line, verdict.ok ? 0 : static_cast<long long>(verdict.error.line));
    line += ",\"reason\":";
    AppendJsonString(line, verdict.ok ? std::string_view() : std::string_view(verdict.error.reason));
    if (repair) {
        line += ",\"verdict\":";
        AppendJsonString(line, VerdictName(verdict));
        line += ",\"repairs\":";
        AppendJsonRepairs(line, verdict.repairs);
    }
    line += "}\n";
    return line;
}

// Reads a file strictly and, with --repair, once more with repairs when the strict reading refuses
// it. A file that neither reading accepts is reported with the repairing reading's reason: that
// is what stands in the way even with --repair.
Verdict Judge(const std::string& file, const LoadOptions& options) {
    Verdict verdict;
    CQuorvaneDoc doc;
    LoadOptions strict = options;
    strict.repair = false;
    verdict.ok = LoadModel(file, strict, doc, verdict.error);
    if (!verdict.ok && options.repair) {
        verdict.ok = verdict.repaired = LoadModel(file, options, doc, verdict.error, &verdict.repairs);
    }
    return verdict;
}

// "N files checked, M refused", with the singular for one file.
std::string FormatSummary(std::size_t checked, std::size_t refused) {
    return std::to_string(checked) + (checked == 1 ? " file checked, " : " files checked, ") +
           std::to_string(refused) + " refused\n";
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err) {
    const std::size_t count = options.files.size();
    std::vector<Verdict> verdicts(count);
    std::size_t refused = 0;
    std::size_t repairable = 0;
    const bool repair = options.load.repair;
    ForEachInOrder(
        count, options.jobs, [&](std::size_t i) { verdicts[i] = Judge(options.files[i], options.load); },
        [&](std::size_t i) {
            Verdict& verdict = verdicts[i];
            const std::string& file = options.files[i];
            if (options.progress) {
                // The verdict replaces the bar on its line; the bar is drawn again below it.
                err << "\r\x1b[K" << std::flush;
            }
            if (!verdict.ok) {
                ++refused;
            } else if (verdict.repaired) {
                ++repairable;
            }
            if (options.json) {
                out << FormatJson(file, verdict, repair);
            } else if (!verdict.ok) {
                out << FormatRefusal(file, verdict.error) << '\n';
            } else if (repair && verdict.repaired) {
                out << Escaped(file) << ": repairable with " << verdict.repairs.Total()
                    << (verdict.repairs.Total() == 1 ? " repair\n" : " repairs\n")
                    << FormatRepairs(verdict.repairs, "  ");
            } else if (repair) {
                out << Escaped(file) << ": strict\n";
            }
            if (options.progress) {
                out.flush();
                err << '\r' << ProgressBar(i + 1, count) << std::flush;
            }
            verdict = Verdict{};
        },
        [&](std::size_t i) { return MayBlock(options.files[i]); });
    if (options.progress) {
        err << "\r\x1b[K" << std::flush;
    }
    if (!options.json) {
        if (repair) {
            out << count << (count == 1 ? " file checked: " : " files checked: ")
                << (count - refused - repairable) << " strict, " << repairable << " repairable, " << refused
                << " refused\n";
        } else {
            out << FormatSummary(count, refused);
        }
    }
    out.flush();
    return refused != 0 ? kExitRefused : kExitOk;
}

}  // namespace quorvane::cli
