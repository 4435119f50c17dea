// The command-line tool's subcommands and the helpers they share. Each subcommand is a plain
// function over an options record and two output streams, so that main() only parses arguments
// and tests can run a subcommand without a process.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace quorvane::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // some input was refused or some output not written
inline constexpr int kExitUsage = 2;    // the command line itself was wrong

// How input files are read; every subcommand loads through LoadModel, so a reading option
// added here reaches all of them.
struct LoadOptions {
    bool repair = false;  // --repair: accept the common departures from the strict layout
};

// Reads one OFF file into `doc`; on failure fills `error` (line 0 when no line is concerned).
// With options.repair the repairs made are listed in `report` (when given).
// Never throws: memory exhaustion and other exceptions become a refusal.
bool LoadModel(const std::string& path, const LoadOptions& options, CQuorvaneDoc& doc, OffError& error,
               OffRepairReport* report = nullptr);

// The repair report as text, each line indented by `indent`.
std::string FormatRepairs(const OffRepairReport& report, std::string_view indent);
// Appends the repairs as a JSON array of {"kind","title","count","examples":[{"line","detail"}]}.
void AppendJsonRepairs(std::string& out, const OffRepairReport& report);

// The one-line verdict for a refused file: "FILE:LINE: reason", or "FILE: reason" without a line.
std::string FormatRefusal(std::string_view file, const OffError& error);

// Appends `text` as a JSON string literal. Quotes, backslashes and control characters are
// escaped; bytes that are not valid UTF-8 (file names are arbitrary bytes) become U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);
// Appends a double with the shortest text that reads back to the same value; null when the
// value is not finite, since JSON has no infinities.
void AppendJsonNumber(std::string& out, double value);
// Appends an integer.
void AppendJsonInteger(std::string& out, long long value);
// Appends [x,y,z].
void AppendJsonVector(std::string& out, const CVector3D& v);

// The number of worker threads for `requested` (0 means one per core).
unsigned ResolveJobs(unsigned requested);
// Runs work(i) for every i in 0 .. count-1 on up to `jobs` threads, and emit(i) on the calling
// thread in increasing order of i, each as soon as items 0 .. i are done.
void ForEachInOrder(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::function<void(std::size_t)>& emit);

// info: statistics and bounding box of each file.
struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
    unsigned jobs = 0;
    LoadOptions load;
};
int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err);

// check: the verdict on each file and a summary.
struct CheckOptions {
    std::vector<std::string> files;
    bool json = false;
    unsigned jobs = 0;
    LoadOptions load;
};
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// convert: reads a file and writes it back with the document's own writer.
struct ConvertOptions {
    std::string input;
    std::string output;
    LoadOptions load;
};
int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvane::cli
