// quorvane-cli: parses the command line and runs one subcommand.
#include <functional>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace {

namespace cli = quorvane::cli;

// The input files of a subcommand, one or more.
void AddFilesArgument(CLI::App& command, std::vector<std::string>& files) {
    command.add_option("files", files, "OFF files to read")->required()->type_name("FILE");
}

// --json: one JSON object per file and line instead of text.
void AddJsonFlag(CLI::App& command, bool& json) {
    command.add_flag("--json", json, "Write one JSON object per file and line");
}

// -j/--jobs: how many files are read at the same time.
void AddJobsOption(CLI::App& command, unsigned& jobs) {
    command.add_option("-j,--jobs", jobs, "Files read at the same time (default: one per core)")
        ->type_name("N")
        ->check(CLI::Range(0u, 1024u).description(""));
}

// --repair: read with repairs of the common departures from the strict layout, reported per file.
void AddRepairFlag(CLI::App& command, bool& repair) {
    command.add_flag("--repair", repair,
                     "Also accept comments, blank lines, keyword variants, counts on the keyword line, "
                     "the binary form and bad polygons (dropped), and report every repair");
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    CLI::App app{"Reads, checks and converts OFF mesh files.", "quorvane-cli"};
    app.set_version_flag("--version", std::string("quorvane-cli ") + QUORVANE_VERSION);
    app.require_subcommand(1);

    // The chosen subcommand's callback stores what to run once parsing has succeeded.
    std::function<int()> run;

    cli::InfoOptions info;
    CLI::App* infoCommand =
        app.add_subcommand("info", "Print the statistics and the bounding box of each OFF file");
    AddFilesArgument(*infoCommand, info.files);
    AddJsonFlag(*infoCommand, info.json);
    AddJobsOption(*infoCommand, info.jobs);
    AddRepairFlag(*infoCommand, info.load.repair);
    infoCommand->callback([&] { run = [&] { return cli::RunInfo(info, std::cout, std::cerr); }; });

    cli::CheckOptions check;
    CLI::App* checkCommand =
        app.add_subcommand("check", "Report which OFF files are refused, and where, with a summary");
    AddFilesArgument(*checkCommand, check.files);
    AddJsonFlag(*checkCommand, check.json);
    AddJobsOption(*checkCommand, check.jobs);
    AddRepairFlag(*checkCommand, check.load.repair);
    checkCommand->callback([&] { run = [&] { return cli::RunCheck(check, std::cout, std::cerr); }; });

    cli::ConvertOptions convert;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Read an OFF file and write it with this program's own writer");
    convertCommand->add_option("input", convert.input, "OFF file to read")->required()->type_name("IN");
    convertCommand->add_option("-o,--output", convert.output, "OFF file to write (replaced atomically)")
        ->required()
        ->type_name("OUT");
    AddRepairFlag(*convertCommand, convert.load.repair);
    convertCommand->callback([&] { run = [&] { return cli::RunConvert(convert, std::cout, std::cerr); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end with status 0; a wrong command line with kExitUsage.
        return app.exit(e) == 0 ? cli::kExitOk : cli::kExitUsage;
    }
    return run ? run() : cli::kExitUsage;
}
