// quorvane-cli: parses the command line and runs one subcommand.
#include <unistd.h>

#include <array>
#include <functional>
#include <iostream>
#include <optional>
#include <span>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "model/huge_pages.h"
#include "model/input_limit.h"
#include "model/save_signals.h"
#include "quorvane/version.h"

namespace {

namespace cli = quorvane::cli;

// How inputs that are not regular files are read, for the help of every subcommand with inputs.
constexpr const char* kStreamInputs =
    "Pipes, FIFOs and devices are read to their end (refused past --max-bytes, or as soon as their "
    "first bytes cannot start an OFF file)";

// The input files of a subcommand, one or more (none when `required` is false: render takes
// them from --list too).
void AddFilesArgument(CLI::App& command, std::vector<std::string>& files, bool required = true) {
    command
        .add_option("files", files,
                    std::string("OFF files to read. ") + kStreamInputs +
                        ", each on a thread of its own, so the other files are read meanwhile; results "
                        "are printed in the order given")
        ->required(required)
        ->type_name("FILE");
}

// --max-bytes: the input limit.
void AddMaxBytesOption(CLI::App& command, std::size_t& maxBytes) {
    command
        .add_option_function<std::string>(
            "--max-bytes",
            [&maxBytes](const std::string& text) {
                if (!quorvane::ParseByteCount(text, maxBytes)) {
                    throw CLI::ValidationError("--max-bytes",
                                               "\"" + text +
                                                   "\" is not a byte count (digits, optionally "
                                                   "followed by K, M, G or T)");
                }
            },
            std::string("Refuse input files larger than SIZE bytes; K, M, G and T multiply by powers of 1024 "
                        "(default: ") +
                quorvane::kInputLimitVariable + " when set, else an eighth of the available memory)")
        ->type_name("SIZE");
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

// --repair and --max-bytes: how the inputs are read.
void AddLoadOptions(CLI::App& command, cli::LoadOptions& load) {
    command.add_flag("--repair", load.repair,
                     "Also accept comments, blank lines, keyword variants, counts on the keyword line, "
                     "the binary form, bad polygons (dropped) and point sets (vertices without polygons), "
                     "and report every repair");
    AddMaxBytesOption(command, load.maxBytes);
}

// An option whose value is a list of `N` numbers separated by commas, handed to `store`.
template <std::size_t N, typename Store>
CLI::Option* AddNumberListOption(CLI::App& command, const std::string& name, const std::string& typeName,
                                 const std::string& description, Store store) {
    return command
        .add_option_function<std::string>(
            name,
            [name, store](const std::string& text) {
                std::array<double, N> values{};
                std::string error;
                if (!cli::ParseNumberList(text, values, error)) {
                    throw CLI::ValidationError(name, error);
                }
                store(values);
            },
            description)
        ->type_name(typeName);
}

// An option whose value is a colour RRGGBB, stored in `target`.
CLI::Option* AddColorOption(CLI::App& command, const std::string& name, const std::string& description,
                            std::optional<quorvane::COLORREF>& target) {
    return command
        .add_option_function<std::string>(
            name,
            [name, &target](const std::string& text) {
                quorvane::COLORREF colour = 0;
                std::string error;
                if (!cli::ParseHexColor(text, colour, error)) {
                    throw CLI::ValidationError(name, error);
                }
                target = colour;
            },
            description)
        ->type_name("RRGGBB");
}

// The options of the render subcommand for data sets: views, list files, shards and reruns.
void AddDataSetOptions(CLI::App& command, cli::RenderOptions& render) {
    command
        .add_option("--views", render.views,
                    "Draw N pictures per model, evenly spaced in azimuth about --up-axis through the "
                    "model's centre at the default view's distance, as DIR/NAME_000.png ..., and write "
                    "their cameras to DIR/views.json (needs --out-dir)")
        ->type_name("N")
        ->check(CLI::Range(1, cli::kMaxViews).description(""));
    command
        .add_option("--elevation", render.elevation,
                    "With --views: the eye's height above the ring's plane in degrees (default 30)")
        ->type_name("DEG")
        ->check(CLI::Range(-89.999999, 89.999999).description(""));
    command
        .add_option_function<std::string>(
            "--up-axis", [&render](const std::string& text) { render.upAxis = *cli::ParseAxis(text); },
            "With --views: the axis the ring turns about, which is also each view's Up Vector: x, y or z "
            "(default y)")
        ->type_name("AXIS")
        ->check(CLI::IsMember({"x", "y", "z", "X", "Y", "Z"}).description(""));
    command
        .add_option("--list", render.list,
                    "Also render the files named in FILE, one a line (- for standard input); a CR "
                    "before the line end is dropped and empty lines are skipped")
        ->type_name("FILE");
    command
        .add_option_function<std::string>(
            "--shard",
            [&render](const std::string& text) {
                cli::Shard shard;
                std::string error;
                if (!cli::ParseShard(text, shard, error)) {
                    throw CLI::ValidationError("--shard", error);
                }
                render.shard = shard;
            },
            "Render only part K of N of the inputs (1 <= K <= N), chosen by a hash of each path, the "
            "same on every machine; the manifest is DIR/views.K-of-N.json")
        ->type_name("K/N");
    command.add_flag("--skip-existing", render.skipExisting,
                     "Do not draw a model whose pictures all exist and are complete PNG images of the "
                     "asked size (a picture cut short is drawn again)");
    AddJsonFlag(command, render.json);
}

// The options of the render subcommand.
void AddRenderOptions(CLI::App& command, cli::RenderOptions& render) {
    AddFilesArgument(command, render.files, false);
    CLI::Option* output = command
                              .add_option("-o,--output", render.output,
                                          "PNG file to write for a single input (replaced atomically)")
                              ->type_name("OUT");
    command.add_option("--out-dir", render.outDir, "Folder to write DIR/NAME.png into for each input")
        ->type_name("DIR")
        ->excludes(output);
    command
        .add_option_function<std::string>(
            "--mode",
            [&render](const std::string& mode) {
                render.mode = mode == "wireframe" ? quorvane::DrawingMode::kWireframe
                              : mode == "points"  ? quorvane::DrawingMode::kPoints
                                                  : quorvane::DrawingMode::kSolid;
            },
            "Drawing mode: wireframe, solid or points (default solid; points for a point set, a model "
            "without polygon sides, which wireframe and solid would leave empty)")
        ->type_name("MODE")
        ->check(CLI::IsMember({"wireframe", "solid", "points"}).description(""));
    command.add_option("--size", render.size, "Side of the square image in pixels (default 512)")
        ->type_name("N")
        ->check(CLI::Range(1, cli::kMaxRenderSize).description(""));
    const auto vector = [](std::optional<quorvane::CVector3D>& target) {
        return [&target](const std::array<double, 3>& v) { target = quorvane::CVector3D(v[0], v[1], v[2]); };
    };
    const auto pair = [](std::optional<std::array<double, 2>>& target) {
        return [&target](const std::array<double, 2>& v) { target = v; };
    };
    AddNumberListOption<3>(command, "--at", "X,Y,Z", "At Point: the point looked at", vector(render.at));
    AddNumberListOption<3>(command, "--from", "X,Y,Z", "From Point: the eye", vector(render.from));
    AddNumberListOption<3>(command, "--up", "X,Y,Z", "Up Vector", vector(render.up));
    AddNumberListOption<1>(command, "--angle", "DEG", "Viewing angle in degrees (0.5 .. 180)",
                           [&render](const std::array<double, 1>& v) { render.angle = v[0]; });
    AddNumberListOption<2>(command, "--orbit", "V,H",
                           "Turn the eye about the At Point by V degrees vertically and H horizontally",
                           pair(render.orbit));
    command.add_option("--zoom", render.zoom, "Zoom steps: N steps 5 % closer, or -N steps 5 % farther")
        ->type_name("N");
    AddNumberListOption<2>(command, "--pan", "A,B", "Move the camera sideways by A and upward by B",
                           pair(render.pan));
    AddColorOption(command, "--background", "Background colour (default 000000)", render.background);
    AddColorOption(command, "--exterior", "Colour of front faces, edges and points (default 0000FF)",
                   render.exterior);
    AddColorOption(command, "--interior", "Colour of back faces (default FF0000)", render.interior);
    command
        .add_option_function<long long>(
            "--select", [&render](long long index) { render.select = index; },
            "Mark the vertex with this index")
        ->type_name("INDEX");
    AddJobsOption(command, render.jobs);
    AddLoadOptions(command, render.load);
    AddDataSetOptions(command, render);
}

// The files and options of a subcommand that sweeps many files: files, --json, -j, --repair and
// --max-bytes.
void AddSweepOptions(CLI::App& command, std::vector<std::string>& files, bool& json, unsigned& jobs,
                     cli::LoadOptions& load) {
    AddFilesArgument(command, files);
    AddJsonFlag(command, json);
    AddJobsOption(command, jobs);
    AddLoadOptions(command, load);
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread starts: an interrupted save removes its temporary file.
    quorvane::InstallSaveSignalHandlers();
    // One large model after another: freed memory is reused rather than taken fresh.
    quorvane::KeepFreedMemoryForReuse();
    std::ios::sync_with_stdio(false);
    CLI::App app{"Reads, checks, converts and renders OFF mesh files, and draws their thumbnails.",
                 "quorvane-cli"};
    app.set_version_flag("--version", std::string("quorvane-cli ") + quorvane::kVersion);
    app.require_subcommand(1);

    // The chosen subcommand's callback stores what to run once parsing has succeeded.
    std::function<int()> run;

    cli::InfoOptions info;
    CLI::App* infoCommand =
        app.add_subcommand("info", "Print the statistics and the bounding box of each OFF file");
    AddSweepOptions(*infoCommand, info.files, info.json, info.jobs, info.load);
    infoCommand->callback([&] { run = [&] { return cli::RunInfo(info, std::cout, std::cerr); }; });

    cli::CheckOptions check;
    CLI::App* checkCommand =
        app.add_subcommand("check", "Report which OFF files are refused, and where, with a summary");
    AddSweepOptions(*checkCommand, check.files, check.json, check.jobs, check.load);
    checkCommand->callback([&] {
        check.progress = check.files.size() > 1 && isatty(STDERR_FILENO) != 0;
        run = [&] { return cli::RunCheck(check, std::cout, std::cerr); };
    });

    cli::ConvertOptions convert;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Read an OFF file and write it with this program's own writer");
    convertCommand->add_option("input", convert.input, std::string("OFF file to read. ") + kStreamInputs)
        ->required()
        ->type_name("IN");
    convertCommand->add_option("-o,--output", convert.output, "OFF file to write (replaced atomically)")
        ->required()
        ->type_name("OUT");
    AddLoadOptions(*convertCommand, convert.load);
    convertCommand->callback([&] { run = [&] { return cli::RunConvert(convert, std::cout, std::cerr); }; });

    cli::RenderOptions render;
    CLI::App* renderCommand = app.add_subcommand(
        "render",
        "Draw OFF files as square PNG images with the viewer's renderer (camera, mode and colours set here)");
    AddRenderOptions(*renderCommand, render);
    renderCommand->callback([&] {
        render.progress = (render.files.size() > 1 || !render.list.empty() || render.views > 0) &&
                          render.output.empty() && isatty(STDERR_FILENO) != 0;
        run = [&] { return cli::RunRender(render, std::cout, std::cerr); };
    });

    cli::ThumbnailOptions thumbnail;
    CLI::App* thumbnailCommand = app.add_subcommand(
        "thumbnail",
        "Draw the thumbnail of an OFF file for the desktop's thumbnail service: the default view, solid, "
        "on a transparent background, as a SIZE x SIZE PNG; no display or configuration is used");
    thumbnailCommand
        ->add_option("-s,--size", thumbnail.size, "Side of the square picture in pixels (default 256)")
        ->type_name("SIZE")
        ->check(CLI::Range(1, cli::kMaxRenderSize).description(""));
    thumbnailCommand
        ->add_option("input", thumbnail.input,
                     "OFF file to read, a path or a file:// URI (percent-encoded, as the thumbnail service "
                     "passes it)")
        ->required()
        ->type_name("INPUT");
    thumbnailCommand->add_option("output", thumbnail.output, "PNG file to write (replaced atomically)")
        ->required()
        ->type_name("OUTPUT");
    thumbnailCommand
        ->add_option("--max-triangles", thumbnail.maxTriangles,
                     "Give up, with exit status 1, on a model that makes more triangles (default 5000000)")
        ->type_name("N");
    AddLoadOptions(*thumbnailCommand, thumbnail.load);
    thumbnailCommand->callback(
        [&] { run = [&] { return cli::RunThumbnail(thumbnail, std::cout, std::cerr); }; });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help and version end with status 0; a wrong command line with kExitUsage.
        return app.exit(e) == 0 ? cli::kExitOk : cli::kExitUsage;
    }
    return run ? run() : cli::kExitUsage;
}
