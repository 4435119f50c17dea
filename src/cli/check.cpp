// The check subcommand: whether each file is accepted, many files at a time.
#include <ostream>
#include <vector>

#include "cli/commands.h"

namespace quorvane::cli {

namespace {

// The verdict on one file.
struct Verdict {
    bool ok = false;
    OffError error;
};

// {"file":...,"ok":...,"line":...,"reason":...}; an accepted file has line 0 and reason "".
std::string FormatJson(const std::string& file, const Verdict& verdict) {
    std::string line = "{\"file\":";
    AppendJsonString(line, file);
    line += verdict.ok ? ",\"ok\":true,\"line\":" : ",\"ok\":false,\"line\":";
    AppendJsonInteger(line, verdict.ok ? 0 : static_cast<long long>(verdict.error.line));
    line += ",\"reason\":";
    AppendJsonString(line, verdict.ok ? std::string_view() : std::string_view(verdict.error.reason));
    line += "}\n";
    return line;
}

// "N files checked, M refused", with the singular for one file.
std::string FormatSummary(std::size_t checked, std::size_t refused) {
    return std::to_string(checked) + (checked == 1 ? " file checked, " : " files checked, ") +
           std::to_string(refused) + " refused\n";
}

}  // namespace

int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& /*err*/) {
    const std::size_t count = options.files.size();
    std::vector<Verdict> verdicts(count);
    std::size_t refused = 0;
    ForEachInOrder(
        count, options.jobs,
        [&](std::size_t i) {
            CQuorvaneDoc doc;
            verdicts[i].ok = LoadModel(options.files[i], options.load, doc, verdicts[i].error);
        },
        [&](std::size_t i) {
            Verdict& verdict = verdicts[i];
            if (!verdict.ok) {
                ++refused;
            }
            if (options.json) {
                out << FormatJson(options.files[i], verdict);
            } else if (!verdict.ok) {
                out << FormatRefusal(options.files[i], verdict.error) << '\n';
            }
            verdict = Verdict{};
        });
    if (!options.json) {
        out << FormatSummary(count, refused);
    }
    out.flush();
    return refused != 0 ? kExitRefused : kExitOk;
}

}  // namespace quorvane::cli
