// The convert subcommand: reads a file and writes it with the document's own writer.
#include <ostream>

#include "cli/commands.h"
#include "model/text_escape.h"

namespace quorvane::cli {

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    CQuorvaneDoc doc;
    OffError error;
    OffRepairReport repairs;
    if (!LoadModel(options.input, options.load, doc, error, &repairs)) {
        err << FormatRefusal(options.input, error) << '\n';
        return kExitRefused;
    }
    if (!repairs.Empty()) {
        out << Escaped(options.input) << ": " << repairs.Total()
            << (repairs.Total() == 1 ? " repair\n" : " repairs\n") << FormatRepairs(repairs, "  ");
    }
    std::string reason;
    if (!doc.SaveToFile(options.output, &reason)) {
        err << FormatRefusal(options.output, OffError{0, reason}) << '\n';
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace quorvane::cli
