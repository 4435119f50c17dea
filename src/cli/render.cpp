// The render subcommand: draws each file with the viewer's own frame renderer and writes the
// square picture as a PNG file.
#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/png_writer.h"
#include "model/file_io.h"
#include "model/statistics.h"
#include "model/text_escape.h"
#include "render/frame_renderer.h"
#include "viewing/camera_fault.h"
#include "viewing/default_view.h"

namespace quorvane::cli {

namespace {

// `text` in double quotes, for messages.
std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

}  // namespace

bool ParseNumberList(std::string_view text, std::span<double> values, std::string& error) {
    const std::size_t expected = values.size();
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece =
            text.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (count < expected) {
            double value = 0.0;
            const auto result = std::from_chars(piece.data(), piece.data() + piece.size(), value);
            if (piece.empty()) {
                error = "expected a number before or after each comma";
                return false;
            }
            if (result.ec == std::errc::result_out_of_range) {
                error = Quoted(piece) + " is out of range";
                return false;
            }
            if (result.ec != std::errc() || result.ptr != piece.data() + piece.size()) {
                error = Quoted(piece) + " is not a number";
                return false;
            }
            if (!std::isfinite(value)) {
                error = Quoted(piece) + " is not a finite number";
                return false;
            }
            values[count] = value;
        }
        ++count;
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    if (count != expected) {
        error = (expected == 1 ? std::string("expected a single number")
                               : "expected " + std::to_string(expected) + " numbers separated by commas") +
                ", got " + std::to_string(count);
        return false;
    }
    return true;
}

bool ParseHexColor(std::string_view text, COLORREF& colour, std::string& error) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '#') {
        digits.remove_prefix(1);
    }
    unsigned value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.size() != 6 || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
        error = Quoted(text) + " is not a colour written RRGGBB in hexadecimal";
        return false;
    }
    colour = RGB(static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>((value >> 8) & 0xFFu),
                 static_cast<std::uint8_t>(value & 0xFFu));
    return true;
}

namespace {

namespace fs = std::filesystem;

// What rendering one file produced, kept until its turn to be reported.
struct RenderResult {
    bool ok = false;
    std::string report;    // repairs made while reading (standard output)
    std::string messages;  // refusal or warning lines (standard error)
};

// Whether two vectors hold the same bits, so that values that are not numbers compare equal too.
bool SameBits(const CVector3D& a, const CVector3D& b) {
    const double av[3] = {a.x, a.y, a.z};
    const double bv[3] = {b.x, b.y, b.z};
    return std::memcmp(av, bv, sizeof av) == 0;
}

// Zooms by `steps` wheel steps: 95 % of the distance each step in, 105 % out. Once a step changes
// nothing (a distance limit is reached) no later step can, so the loop stops there.
void ZoomSteps(CViewingSpace& camera, int steps) {
    const double percent = steps > 0 ? 95.0 : 105.0;
    const long long count = std::llabs(static_cast<long long>(steps));
    for (long long i = 0; i < count; ++i) {
        const CVector3D before = camera.GetFromPoint();
        camera.Zoom(percent);
        if (SameBits(before, camera.GetFromPoint())) {
            break;
        }
    }
}

// Applies the command line's camera settings to the default view, in their fixed order.
void PlaceCamera(CViewingSpace& camera, const RenderOptions& options) {
    if (options.at) {
        camera.SetAtPoint(*options.at);
    }
    if (options.from) {
        camera.SetFromPoint(*options.from);
    }
    if (options.up) {
        camera.SetUpVector(*options.up);
    }
    if (options.angle) {
        camera.SetViewingAngle(*options.angle);
    }
    if (options.orbit) {
        camera.Orbit((*options.orbit)[0], (*options.orbit)[1]);
    }
    if (options.zoom != 0) {
        ZoomSteps(camera, options.zoom);
    }
    if (options.pan) {
        camera.Pan((*options.pan)[0], (*options.pan)[1]);
    }
}

// Encodes the image and puts it in place atomically; on failure `error` holds the reason.
bool WritePng(const CImage& image, const std::string& path, std::string& error) {
    std::string bytes;
    if (!EncodePng(image, bytes, &error)) {
        return false;
    }
    return WriteFileAtomically(path, bytes, &error);
}

// Reads `input`, draws it as the options say and writes the picture to `output`: the default view
// of the model with the command line's camera settings applied, drawn in one frame. `renderThreads`
// 0 draws on the renderer's default number of threads.
RenderResult RenderFile(const std::string& input, const std::string& output, const RenderOptions& options,
                        int renderThreads) {
    RenderResult result;
    try {
        CQuorvaneDoc doc;
        OffError error;
        OffRepairReport repairs;
        if (!LoadModel(input, options.load, doc, error, &repairs)) {
            result.messages = FormatRefusal(input, error) + '\n';
            return result;
        }
        if (!repairs.Empty()) {
            result.report = Escaped(input) + ": " + std::to_string(repairs.Total()) +
                            (repairs.Total() == 1 ? " repair\n" : " repairs\n") +
                            FormatRepairs(repairs, "  ");
        }
        const long long vertices = doc.m_nVertices;
        if (options.select && (*options.select < 0 || *options.select >= vertices)) {
            result.messages =
                FormatRefusal(
                    input, OffError{0, "vertex index " + std::to_string(*options.select) +
                                           " for --select is outside 0.." + std::to_string(vertices - 1)}) +
                '\n';
            return result;
        }

        // A point set shows nothing in wireframe or solid mode: without --mode it is drawn as
        // points, with one of those two it is drawn as asked, with a warning.
        const bool pointSet = IsPointSet(doc);
        const DrawingMode mode = options.mode.value_or(pointSet ? DrawingMode::kPoints : DrawingMode::kSolid);
        if (pointSet && !options.mode) {
            result.report += Escaped(input) + ": a point set (no polygon sides): drawn in points mode\n";
        } else if (pointSet && mode != DrawingMode::kPoints) {
            result.messages +=
                Escaped(input) + ": warning: a point set (no polygon sides) shows only the background in " +
                (mode == DrawingMode::kWireframe ? "wireframe" : "solid") + " mode; use --mode points\n";
        }

        CFrameRenderer frame(renderThreads > 0 ? renderThreads : CRenderWorkers::DefaultThreadCount());
        frame.SetModel(&doc);
        CViewingSpace camera;
        SetDefaultView(camera, doc);
        PlaceCamera(camera, options);
        DrawingSettings settings;
        settings.mode = mode;
        if (options.background) {
            settings.backgroundColor = *options.background;
        }
        if (options.exterior) {
            settings.lighting.SetExteriorColor(*options.exterior);
        }
        if (options.interior) {
            settings.lighting.SetInteriorColor(*options.interior);
        }
        if (options.select) {
            settings.selectedVertex = static_cast<int>(*options.select);
        }
        const CImage& image = frame.RenderFrame(camera, settings, options.size);
        if (camera.IsDegenerate()) {
            result.messages += Escaped(input) +
                               ": warning: the camera is degenerate: " + DescribeCameraFault(camera) +
                               "; the image shows the background only\n";
        }

        std::string reason;
        if (!WritePng(image, output, reason)) {
            result.messages += FormatRefusal(output, OffError{0, reason}) + '\n';
            return result;
        }
        result.ok = true;
    } catch (const std::bad_alloc&) {
        result.messages += FormatRefusal(input, OffError{0, "not enough memory"}) + '\n';
    } catch (const std::exception& e) {
        result.messages += FormatRefusal(input, OffError{0, e.what()}) + '\n';
    }
    return result;
}

// "N rendered, M refused".
std::string FormatSummary(std::size_t rendered, std::size_t refused) {
    return std::to_string(rendered) + " rendered, " + std::to_string(refused) + " refused\n";
}

// The usage errors that the argument parser cannot see; empty when the options are consistent.
std::string CheckUsage(const RenderOptions& options) {
    if (options.files.empty()) {
        return "render: no input file";
    }
    if (options.output.empty() == options.outDir.empty()) {
        return "render: give exactly one of -o (one input) and --out-dir (any number of inputs)";
    }
    if (!options.output.empty() && options.files.size() > 1) {
        return "render: -o takes a single input; use --out-dir DIR for " +
               std::to_string(options.files.size()) + " inputs";
    }
    if (options.size < 1 || options.size > kMaxRenderSize) {
        return "render: --size must be between 1 and " + std::to_string(kMaxRenderSize);
    }
    return {};
}

// The device and inode of an existing file, links followed.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::pair{info.st_dev, info.st_ino};
}

// The image path of each input under --out-dir; two inputs with the same name, or whose images
// are one existing file under two names (links), would overwrite each other, which is a usage
// error (`error` names both).
std::vector<std::string> OutputPaths(const RenderOptions& options, std::string& error) {
    std::vector<std::string> paths;
    paths.reserve(options.files.size());
    std::map<std::string, std::size_t> first;
    std::map<std::pair<dev_t, ino_t>, std::size_t> firstFile;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const std::string name = fs::path(options.files[i]).stem().string();
        const std::string path = (fs::path(options.outDir) / (name + ".png")).string();
        const auto [it, inserted] = first.emplace(path, i);
        if (!inserted) {
            error = "render: " + Escaped(options.files[it->second]) + " and " + Escaped(options.files[i]) +
                    " would both be written to " + Escaped(path);
            return {};
        }
        if (const auto identity = FileIdentity(path)) {
            const auto [same, fresh] = firstFile.emplace(*identity, i);
            if (!fresh) {
                error = "render: " + Escaped(options.files[same->second]) + " and " +
                        Escaped(options.files[i]) + " would both be written to one file, " +
                        Escaped(paths[same->second]) + " and " + Escaped(path) + " being links to it";
                return {};
            }
        }
        paths.push_back(path);
    }
    return paths;
}

// A path made absolute and without "." and ".." parts, for comparing names.
std::string NormalName(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return (ec ? fs::path(path) : absolute).lexically_normal().string();
}

// For each input, the refusal of its render when its picture would be written over one of the
// inputs (the same name, or the same file through a link), else an empty string. Input i
// compared with output j: by normalised name and by device and inode, in O(n log n).
std::vector<std::string> OverwrittenInputs(const std::vector<std::string>& inputs,
                                           const std::vector<std::string>& outputs) {
    std::map<std::string, std::size_t> byName;
    std::map<std::pair<dev_t, ino_t>, std::size_t> byFile;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        byName.emplace(NormalName(inputs[i]), i);
        if (const auto identity = FileIdentity(inputs[i])) {
            byFile.emplace(*identity, i);
        }
    }
    std::vector<std::string> refusals(outputs.size());
    for (std::size_t j = 0; j < outputs.size(); ++j) {
        auto input = byName.find(NormalName(outputs[j]));
        std::optional<std::size_t> overwritten;
        if (input != byName.end()) {
            overwritten = input->second;
        } else if (const auto identity = FileIdentity(outputs[j])) {
            if (const auto same = byFile.find(*identity); same != byFile.end()) {
                overwritten = same->second;
            }
        }
        if (overwritten) {
            const std::string what =
                *overwritten == j ? std::string("this input file") : "the input " + inputs[*overwritten];
            refusals[j] = FormatRefusal(inputs[j], OffError{0, "not rendered: its picture " + outputs[j] +
                                                                   " would be written over " + what}) +
                          '\n';
        }
    }
    return refusals;
}

}  // namespace

int RunRender(const RenderOptions& options, std::ostream& out, std::ostream& err) {
    std::string usage = CheckUsage(options);
    if (!usage.empty()) {
        err << usage << '\n';
        return kExitUsage;
    }
    if (!options.output.empty()) {
        const std::string overwrite = OverwrittenInputs(options.files, {options.output})[0];
        if (!overwrite.empty()) {
            err << overwrite;
            return kExitRefused;
        }
        const RenderResult result = RenderFile(options.files[0], options.output, options, 0);
        out << result.report;
        err << result.messages;
        out.flush();
        return result.ok ? kExitOk : kExitRefused;
    }

    const std::vector<std::string> outputs = OutputPaths(options, usage);
    if (!usage.empty()) {
        err << usage << '\n';
        return kExitUsage;
    }
    const std::vector<std::string> overwrites = OverwrittenInputs(options.files, outputs);
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (ec) {
        err << FormatRefusal(options.outDir, OffError{0, ec.message()}) << '\n';
        return kExitRefused;
    }

    const std::size_t count = options.files.size();
    // Files are spread over the threads; each draws on its own thread alone. With a single
    // thread for files the renderer keeps its own banded drawing.
    const bool parallelFiles = std::min<std::size_t>(ResolveJobs(options.jobs), count) > 1;
    std::vector<RenderResult> results(count);
    std::size_t refused = 0;
    const auto showProgress = [&](std::size_t done) {
        if (options.progress) {
            err << '\r' << ProgressBar(done, count) << std::flush;
        }
    };
    showProgress(0);
    ForEachInOrder(
        count, options.jobs,
        [&](std::size_t i) {
            if (!overwrites[i].empty()) {
                results[i].messages = overwrites[i];
                return;
            }
            results[i] = RenderFile(options.files[i], outputs[i], options, parallelFiles ? 1 : 0);
        },
        [&](std::size_t i) {
            RenderResult& result = results[i];
            if (!result.ok) {
                ++refused;
            }
            if (options.progress && (!result.report.empty() || !result.messages.empty())) {
                // The lines replace the bar on its line; the bar is drawn again below them.
                err << "\r\x1b[K" << std::flush;
            }
            out << result.report;
            if (options.progress) {
                out.flush();
            }
            err << result.messages;
            showProgress(i + 1);
            result = RenderResult{};
        },
        [&](std::size_t i) { return MayBlock(options.files[i]); });
    if (options.progress) {
        err << '\n';
    }
    out << FormatSummary(count - refused, refused);
    out.flush();
    return refused != 0 ? kExitRefused : kExitOk;
}

}  // namespace quorvane::cli
