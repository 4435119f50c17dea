// The command-line tool's subcommands and the helpers they share. Each subcommand is a plain
// function over an options record and two output streams, so that main() only parses arguments
// and tests can run a subcommand without a process.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/views.h"
#include "model/document.h"
#include "render/color.h"
#include "render/drawing_settings.h"

namespace quorvane::cli {

// Exit statuses of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // some input was refused or some output not written
inline constexpr int kExitUsage = 2;    // the command line itself was wrong

// How input files are read; every subcommand loads through LoadModel, so a reading option
// added here reaches all of them.
struct LoadOptions {
    bool repair = false;       // --repair: accept the common departures from the strict layout
    std::size_t maxBytes = 0;  // --max-bytes: refuse larger inputs (0: the default input limit)
    bool buildEdges = true;    // the distinct edges, for a wireframe and the counts
};

// Reads one OFF file into `doc`; on failure fills `error` (line 0 when no line is concerned).
// With options.repair the repairs made are listed in `report` (when given).
// Never throws: the load itself turns memory exhaustion into a refusal.
bool LoadModel(const std::string& path, const LoadOptions& options, CQuorvaneDoc& doc, OffError& error,
               OffRepairReport* report = nullptr);

// The repair report as text, each line indented by `indent`.
std::string FormatRepairs(const OffRepairReport& report, std::string_view indent);
// Appends the repairs as a JSON array of {"kind","title","count","examples":[{"line","detail"}]}.
void AppendJsonRepairs(std::string& out, const OffRepairReport& report);

// A progress bar, "[=====>    ] 37/100", for `done` of `total` items.
std::string ProgressBar(std::size_t done, std::size_t total);

// Whether reading `path` may wait for a writer or never end: a pipe, a FIFO, a socket or a device
// (anything that exists and is neither a regular file nor a folder).
bool MayBlock(const std::string& path);

// The one-line verdict for a refused file: "FILE:LINE: reason", or "FILE: reason" without a line.
// The file name is escaped (model/text_escape.h), as every file name in text output is.
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
// thread in increasing order of i, each as soon as items 0 .. i are done. Items for which
// ownThread(i) holds (inputs that may block, see MayBlock) run each on a thread of its own, so
// they hold up no other item's work, only the emission of the items after them. When the system
// refuses threads, fewer run, down to the calling thread alone; nothing is lost.
void ForEachInOrder(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work,
                    const std::function<void(std::size_t)>& emit,
                    const std::function<bool(std::size_t)>& ownThread = {});

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
    bool progress = false;  // draw a progress bar on `err` (when it is a terminal)
};
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// convert: reads a file and writes it back with the document's own writer.
struct ConvertOptions {
    std::string input;
    std::string output;
    LoadOptions load;
};
int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err);

// render: draws each file with the viewer's renderer into a square PNG image, or with --views
// into a ring of images with a manifest of their cameras.

struct RenderOptions {
    std::vector<std::string> files;
    std::string list;    // --list: a file of more inputs, one a line (ParseInputList); "-": standard input
    std::string output;  // -o: the image of the single input
    std::string outDir;  // --out-dir: DIR/NAME.png for each input, NAME its file name without extension
    // --mode; without it solid, or points for a point set (IsPointSet), with a note.
    std::optional<DrawingMode> mode;
    int size = 512;  // side of the image, 1 .. kMaxRenderSize
    // Camera settings, applied after the default view in this order: at, from, up, angle
    // (the camera's setters), orbit, zoom, pan.
    std::optional<CVector3D> at;
    std::optional<CVector3D> from;
    std::optional<CVector3D> up;
    std::optional<double> angle;                 // degrees
    std::optional<std::array<double, 2>> orbit;  // vertical, horizontal degrees
    int zoom = 0;                                // steps of 5 % closer; negative: farther
    std::optional<std::array<double, 2>> pan;
    std::optional<COLORREF> background;
    std::optional<COLORREF> exterior;
    std::optional<COLORREF> interior;
    std::optional<long long> select;  // vertex to mark
    unsigned jobs = 0;
    bool progress = false;  // draw a progress bar on `err` (when it is a terminal)
    LoadOptions load;
    // --views N: N pictures per model on a ring (PlaceRingCamera) instead of one, written as
    // DIR/NAME_000.png ... with their records in the manifest (ManifestName); 0: one picture.
    int views = 0;
    double elevation = 30.0;         // --elevation: degrees above the ring's plane
    ViewAxis upAxis = ViewAxis::kY;  // --up-axis
    std::optional<Shard> shard;      // --shard K/N: only the inputs of that part of the list
    bool skipExisting = false;       // --skip-existing: models whose pictures are all complete are not drawn
    bool json = false;               // --json: one JSON object per input and a summary object
};
inline constexpr int kMaxRenderSize = 16384;
int RunRender(const RenderOptions& options, std::ostream& out, std::ostream& err);
// The manifest's file name in the output folder: views.json, or views.K-of-N.json for a shard.
std::string ManifestName(const std::optional<Shard>& shard);

// thumbnail: the picture of a model at its default view for the desktop's thumbnail service: solid
// (points for a point set), on a transparent background, SIZE x SIZE pixels. It reads no
// configuration and writes nothing but the output (replaced atomically).
struct ThumbnailOptions {
    std::string input;  // a path, or a file:// URI (percent-encoded)
    std::string output;
    int size = 256;
    // --max-triangles: a model that would make more triangles is given up before it is drawn
    std::size_t maxTriangles = 5'000'000;
    LoadOptions load;
};
int RunThumbnail(const ThumbnailOptions& options, std::ostream& out, std::ostream& err);
// The local path a thumbnail input names: a file:// URI (with an empty host or "localhost")
// percent-decoded, anything else taken as a path. A URI of another scheme or host, a bad %
// escape and an escaped NUL byte are refused with `error`.
bool InputPathFromUri(std::string_view text, std::string& path, std::string& error);

// Reads exactly values.size() finite numbers separated by commas ("1,-2.5,3e2"), in the C locale's
// notation whatever the current locale, with no spaces. On failure returns false and fills `error`.
bool ParseNumberList(std::string_view text, std::span<double> values, std::string& error);
// Reads a colour written RRGGBB in hexadecimal, with or without a leading '#'.
bool ParseHexColor(std::string_view text, COLORREF& colour, std::string& error);

}  // namespace quorvane::cli
