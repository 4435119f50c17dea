// The render subcommand: draws each file with the viewer's own frame renderer and writes the
// square picture as a PNG file.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/png_writer.h"
#include "model/file_io.h"
#include "model/input_limit.h"
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

// The device and inode of an existing file, links followed.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return std::pair{info.st_dev, info.st_ino};
}

// What rendering one model produced, kept until its turn to be reported.
struct RenderResult {
    bool ok = false;
    bool skipped = false;    // its pictures were all complete already (--skip-existing)
    std::size_t images = 0;  // pictures written
    DrawingMode mode = DrawingMode::kSolid;
    std::string report;       // repairs and notes (standard output)
    std::string messages;     // warnings (standard error)
    std::string refusedName;  // what a refusal concerns: the input, or a picture not written
    OffError refusal;         // why the model was refused
    OffRepairReport repairs;  // repairs made while reading, for --json
    std::string records;      // manifest records of its views, each followed by ",\n"
};

// Marks the result refused for `reason`, concerning the file `name`.
void Refuse(RenderResult& result, std::string_view name, OffError reason) {
    result.ok = false;
    result.refusedName = name;
    result.refusal = std::move(reason);
}

// The settings every picture of a run is drawn with, the mode aside.
DrawingSettings RunSettings(const RenderOptions& options, DrawingMode mode) {
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
    return settings;
}

// The ring of views the options ask for.
ViewRing RingOf(const RenderOptions& options) {
    ViewRing ring;
    ring.views = options.views;
    ring.elevation = options.elevation;
    ring.axis = options.upAxis;
    ring.angle = options.angle.value_or(45.0);
    return ring;
}

// The manifest record of view `view` of the model `input` (position `index` in the whole list).
void AppendRecord(std::string& records, const RenderOptions& options, std::size_t index,
                  const std::string& input, const std::string& picture, int view, DrawingMode mode,
                  const CViewingSpace& camera) {
    const CLightingSettings defaults;
    ViewRecordFacts facts;
    facts.index = index;
    facts.view = view;
    facts.views = options.views;
    facts.model = input;
    const std::string image = fs::path(picture).filename().string();
    facts.image = image;
    facts.elevation = options.elevation;
    facts.axis = options.upAxis;
    facts.size = options.size;
    facts.mode = mode;
    facts.background = options.background.value_or(DrawingSettings{}.backgroundColor);
    facts.exterior = options.exterior.value_or(defaults.GetExteriorColor());
    facts.interior = options.interior.value_or(defaults.GetInteriorColor());
    AppendViewRecord(records, facts, camera);
    records += ",\n";
}

// Whether every picture of a model is complete from an earlier run, so that it need not be drawn.
bool PicturesComplete(const std::vector<std::string>& pictures, int size) {
    return std::all_of(pictures.begin(), pictures.end(),
                       [size](const std::string& picture) { return IsCompletePng(picture, size); });
}

// Reads `input` and draws it as the options say into `pictures`: one picture of the default view
// with the command line's camera settings, or with --views one picture per view of the ring,
// each drawn in one frame by one frame renderer that tessellated the model once. `index` is the
// model's position in the whole input list, for the manifest records. `renderThreads` 0 draws on
// the renderer's default number of threads.
RenderResult RenderModel(const std::string& input, std::size_t index,
                         const std::vector<std::string>& pictures, const RenderOptions& options,
                         int renderThreads) {
    RenderResult result;
    try {
        const bool complete = options.skipExisting && PicturesComplete(pictures, options.size);
        if (complete && options.views == 0) {
            result.ok = result.skipped = true;
            return result;
        }
        CQuorvaneDoc doc;
        OffError error;
        // Only a wireframe draws the distinct edges; other modes spare a large model their list.
        LoadOptions load = options.load;
        load.buildEdges = options.mode == DrawingMode::kWireframe;
        if (!LoadModel(input, load, doc, error, &result.repairs)) {
            Refuse(result, input, error);
            return result;
        }
        if (!result.repairs.Empty()) {
            result.report = Escaped(input) + ": " + std::to_string(result.repairs.Total()) +
                            (result.repairs.Total() == 1 ? " repair\n" : " repairs\n") +
                            FormatRepairs(result.repairs, "  ");
        }
        const long long vertices = doc.m_nVertices;
        if (options.select && (*options.select < 0 || *options.select >= vertices)) {
            Refuse(result, input,
                   OffError{0, "vertex index " + std::to_string(*options.select) +
                                   " for --select is outside 0.." + std::to_string(vertices - 1)});
            return result;
        }

        // A point set shows nothing in wireframe or solid mode: without --mode it is drawn as
        // points, with one of those two it is drawn as asked, with a warning.
        const bool pointSet = IsPointSet(doc);
        const DrawingMode mode = options.mode.value_or(pointSet ? DrawingMode::kPoints : DrawingMode::kSolid);
        result.mode = mode;
        if (pointSet && !options.mode) {
            result.report += Escaped(input) + ": a point set (no polygon sides): drawn in points mode\n";
        } else if (pointSet && mode != DrawingMode::kPoints) {
            result.messages += Escaped(input) +
                               ": warning: a point set (no polygon sides) shows only the background in " +
                               ModeName(mode) + " mode; use --mode points\n";
        }
        const DrawingSettings settings = RunSettings(options, mode);

        // The model is tessellated here once, for every picture drawn of it.
        std::optional<CFrameRenderer> frame;
        if (!complete) {
            frame.emplace(renderThreads > 0 ? renderThreads : CWorkerPool::DefaultThreadCount());
            frame->SetModel(&doc);
            // A single picture needs no sort after its own.
            frame->SetFreeSortMemory(pictures.size() == 1);
        }
        const ViewRing ring = RingOf(options);
        bool warned = false;
        std::string bytes;
        std::string reason;
        for (std::size_t p = 0; p < pictures.size(); ++p) {
            CViewingSpace camera;
            if (options.views == 0) {
                SetDefaultView(camera, doc);
                PlaceCamera(camera, options);
            } else {
                PlaceRingCamera(camera, doc, ring, static_cast<int>(p));
                if (!CameraIsWritable(camera)) {
                    Refuse(result, input,
                           OffError{0, "the model's extent overflows the numbers a camera is written with"});
                    return result;
                }
                AppendRecord(result.records, options, index, input, pictures[p], static_cast<int>(p), mode,
                             camera);
            }
            if (complete) {
                continue;
            }
            const CImage& image = frame->RenderFrame(camera, settings, options.size);
            if (camera.IsDegenerate() && !warned) {
                warned = true;
                result.messages += Escaped(input) +
                                   ": warning: the camera is degenerate: " + DescribeCameraFault(camera) +
                                   "; the image shows the background only\n";
            }
            // The pictures of a ring are checked for completeness when reused (--skip-existing),
            // so they are put in place without the two syncs per file, which cost more than the
            // drawing; a single picture keeps them.
            const WriteDurability durability =
                options.views > 0 ? WriteDurability::kReplaceOnly : WriteDurability::kSynced;
            if (!EncodePng(image, bytes, &reason) ||
                !WriteFileAtomically(pictures[p], bytes, &reason, durability)) {
                Refuse(result, pictures[p], OffError{0, reason});
                return result;
            }
            ++result.images;
        }
        result.ok = true;
        result.skipped = complete;
    } catch (const std::bad_alloc&) {
        Refuse(result, input, OffError{0, "not enough memory"});
    } catch (const std::exception& e) {
        Refuse(result, input, OffError{0, e.what()});
    }
    return result;
}

// The usage errors that the argument parser cannot see; empty when the options are consistent.
// `inputs` counts the inputs of the whole list, files and list file together.
std::string CheckUsage(const RenderOptions& options, std::size_t inputs) {
    if (inputs == 0 && options.list.empty()) {
        return "render: no input file (give files, or --list FILE)";
    }
    if (options.output.empty() == options.outDir.empty()) {
        return "render: give exactly one of -o (one input) and --out-dir (any number of inputs)";
    }
    if (!options.output.empty() && inputs != 1) {
        return "render: -o takes a single input; use --out-dir DIR for " + std::to_string(inputs) + " inputs";
    }
    if (options.size < 1 || options.size > kMaxRenderSize) {
        return "render: --size must be between 1 and " + std::to_string(kMaxRenderSize);
    }
    if (options.views < 0 || options.views > kMaxViews) {
        return "render: --views must be between 1 and " + std::to_string(kMaxViews);
    }
    if (options.views > 0 && options.outDir.empty()) {
        return "render: --views writes NAME_000.png ... and views.json into a folder: give --out-dir DIR";
    }
    if (options.views > 0 &&
        (options.from || options.at || options.up || options.orbit || options.zoom != 0 || options.pan)) {
        return "render: --views places its own cameras; --from, --at, --up, --orbit, --zoom and --pan "
               "cannot be given with it (--angle can)";
    }
    if (!(options.elevation > -90.0 && options.elevation < 90.0)) {
        return "render: --elevation must lie strictly between -90 and 90 degrees";
    }
    if (options.shard && options.outDir.empty()) {
        return "render: --shard splits a list of inputs: give --out-dir DIR";
    }
    return {};
}

// The inputs: the files named on the command line, then those of the list file.
bool CollectInputs(const RenderOptions& options, std::vector<std::string>& inputs, std::string& error) {
    inputs = options.files;
    if (options.list.empty()) {
        return true;
    }
    const std::string path = options.list == "-" ? std::string("/dev/stdin") : options.list;
    const std::string shown = options.list == "-" ? std::string("standard input") : Escaped(options.list);
    FileBytes text;
    std::string reason;
    ReadLimits limits;
    limits.maxBytes = options.load.maxBytes != 0 ? options.load.maxBytes : DefaultInputLimit().bytes;
    switch (ReadWholeFile(path, text, reason, limits)) {
        case ReadStatus::kRead:
            break;
        case ReadStatus::kTooLarge:
            error = shown + ": the list holds more than " + FormatByteCount(limits.maxBytes);
            return false;
        case ReadStatus::kFailed:
        case ReadStatus::kStopped:
        case ReadStatus::kCancelled:
            error = shown + ": " + reason;
            return false;
    }
    if (!ParseInputList(text.View(), inputs, reason)) {
        error = shown + ":" + reason;
        return false;
    }
    return true;
}

// The picture files of a model whose output name is `stem` under --out-dir.
std::vector<std::string> PicturePaths(const RenderOptions& options, const std::string& stem) {
    std::vector<std::string> paths;
    if (options.views == 0) {
        paths.push_back((fs::path(options.outDir) / (stem + ".png")).string());
        return paths;
    }
    paths.reserve(static_cast<std::size_t>(options.views));
    for (int v = 0; v < options.views; ++v) {
        paths.push_back((fs::path(options.outDir) / ViewImageName(stem, v, options.views)).string());
    }
    return paths;
}

// The output name of each input under --out-dir, its file name without extension. Two inputs
// of the whole list with the same name would overwrite each other's pictures, even from two
// shards, which is a usage error (`error` names both).
std::vector<std::string> OutputStems(const std::vector<std::string>& inputs, const RenderOptions& options,
                                     std::string& error) {
    std::vector<std::string> stems;
    stems.reserve(inputs.size());
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        stems.push_back(fs::path(inputs[i]).stem().string());
        const auto [it, inserted] = first.emplace(stems.back(), i);
        if (!inserted) {
            error = "render: " + Escaped(inputs[it->second]) + " and " + Escaped(inputs[i]) +
                    " would both be written to " + Escaped(PicturePaths(options, stems.back()).front());
            return {};
        }
    }
    return stems;
}

// Two selected models whose pictures are one existing file under two names (links) would
// overwrite each other, which is a usage error (`error` names both).
bool CheckLinkedPictures(const std::vector<std::string>& inputs, const std::vector<std::size_t>& selected,
                         const std::vector<std::string>& stems, const RenderOptions& options,
                         std::string& error) {
    std::map<std::pair<dev_t, ino_t>, std::pair<std::size_t, std::string>> firstFile;
    for (const std::size_t i : selected) {
        for (const std::string& path : PicturePaths(options, stems[i])) {
            if (const auto identity = FileIdentity(path)) {
                const auto [same, fresh] = firstFile.emplace(*identity, std::pair{i, path});
                if (!fresh) {
                    error = "render: " + Escaped(inputs[same->second.first]) + " and " + Escaped(inputs[i]) +
                            " would both be written to one file, " + Escaped(same->second.second) + " and " +
                            Escaped(path) + " being links to it";
                    return false;
                }
            }
        }
    }
    return true;
}

// A path made absolute and without "." and ".." parts, for comparing names.
std::string NormalName(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return (ec ? fs::path(path) : absolute).lexically_normal().string();
}

// For each model `selected[j]`, the reason for refusing its render when one of its pictures would be
// written over one of the inputs (the same name, or the same file through a link), else an empty
// string. Inputs and pictures are compared by normalised name and by device and inode, in
// O(n log n).
std::vector<std::string> OverwrittenInputs(
    const std::vector<std::string>& inputs, const std::vector<std::size_t>& selected,
    const std::function<std::vector<std::string>(std::size_t)>& picturesOf) {
    std::map<std::string, std::size_t> byName;
    std::map<std::pair<dev_t, ino_t>, std::size_t> byFile;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        byName.emplace(NormalName(inputs[i]), i);
        if (const auto identity = FileIdentity(inputs[i])) {
            byFile.emplace(*identity, i);
        }
    }
    std::vector<std::string> refusals(selected.size());
    for (std::size_t j = 0; j < selected.size(); ++j) {
        const std::size_t model = selected[j];
        for (const std::string& picture : picturesOf(model)) {
            auto input = byName.find(NormalName(picture));
            std::optional<std::size_t> overwritten;
            if (input != byName.end()) {
                overwritten = input->second;
            } else if (const auto identity = FileIdentity(picture)) {
                if (const auto same = byFile.find(*identity); same != byFile.end()) {
                    overwritten = same->second;
                }
            }
            if (overwritten) {
                const std::string what = *overwritten == model ? std::string("this input file")
                                                               : "the input " + inputs[*overwritten];
                refusals[j] = "not rendered: its picture " + picture + " would be written over " + what;
                break;
            }
        }
    }
    return refusals;
}

// One JSON object for a model's outcome:
// {"file":...,"ok":...,"skipped":...,"images":N,"mode":...,"line":L,"reason":...} and, with
// --repair, "repairs". A refused model has the line and reason of its refusal (a picture that
// could not be written is named in the reason).
std::string FormatJsonResult(const std::string& input, const RenderResult& result, bool repair) {
    std::string line = "{\"file\":";
    AppendJsonString(line, input);
    line += result.ok ? ",\"ok\":true" : ",\"ok\":false";
    line += result.skipped ? ",\"skipped\":true" : ",\"skipped\":false";
    line += ",\"images\":";
    AppendJsonInteger(line, static_cast<long long>(result.images));
    line += ",\"mode\":\"";
    line += ModeName(result.mode);
    line += "\",\"line\":";
    AppendJsonInteger(line, result.ok ? 0 : static_cast<long long>(result.refusal.line));
    line += ",\"reason\":";
    std::string reason;
    if (!result.ok) {
        reason = result.refusedName == input ? result.refusal.reason
                                             : result.refusedName + ": " + result.refusal.reason;
    }
    AppendJsonString(line, reason);
    if (repair) {
        line += ",\"repairs\":";
        AppendJsonRepairs(line, result.repairs);
    }
    line += "}\n";
    return line;
}

// What the run did, counted as the results are reported.
struct RunTotals {
    std::size_t rendered = 0;
    std::size_t skipped = 0;
    std::size_t refused = 0;
    std::size_t images = 0;
};

// "N rendered, M refused", with the skipped models and the pictures written when they concern
// the run: "N rendered, S skipped (pictures complete), M refused; I images".
std::string FormatSummary(const RunTotals& totals, const RenderOptions& options) {
    std::string text = std::to_string(totals.rendered) + " rendered, ";
    if (options.skipExisting) {
        text += std::to_string(totals.skipped) + " skipped (pictures complete), ";
    }
    text += std::to_string(totals.refused) + " refused";
    if (options.views > 0) {
        text += "; " + std::to_string(totals.images) + (totals.images == 1 ? " image" : " images");
    }
    return text + '\n';
}

// {"rendered":N,"skipped":S,"refused":M,"images":I,"manifest":PATH or null}.
std::string FormatJsonSummary(const RunTotals& totals, const std::string& manifest) {
    std::string line = "{\"rendered\":";
    AppendJsonInteger(line, static_cast<long long>(totals.rendered));
    line += ",\"skipped\":";
    AppendJsonInteger(line, static_cast<long long>(totals.skipped));
    line += ",\"refused\":";
    AppendJsonInteger(line, static_cast<long long>(totals.refused));
    line += ",\"images\":";
    AppendJsonInteger(line, static_cast<long long>(totals.images));
    line += ",\"manifest\":";
    if (manifest.empty()) {
        line += "null";
    } else {
        AppendJsonString(line, manifest);
    }
    return line + "}\n";
}

// The refusal of a result as a text line.
std::string RefusalLine(const RenderResult& result) {
    return FormatRefusal(result.refusedName, result.refusal) + '\n';
}

}  // namespace

std::string ManifestName(const std::optional<Shard>& shard) {
    if (!shard) {
        return "views.json";
    }
    return "views." + std::to_string(shard->index) + "-of-" + std::to_string(shard->count) + ".json";
}

int RunRender(const RenderOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::string> inputs;
    std::string usage;
    if (!CollectInputs(options, inputs, usage)) {
        err << "render: " << usage << '\n';
        return kExitRefused;
    }
    usage = CheckUsage(options, inputs.size());
    if (!usage.empty()) {
        err << usage << '\n';
        return kExitUsage;
    }
    if (!options.output.empty()) {
        const std::vector<std::string> pictures{options.output};
        const std::string overwrite =
            OverwrittenInputs(inputs, {0}, [&](std::size_t) { return pictures; })[0];
        RenderResult result;
        if (overwrite.empty()) {
            result = RenderModel(inputs[0], 0, pictures, options, 0);
        } else {
            Refuse(result, inputs[0], OffError{0, overwrite});
        }
        if (options.json) {
            out << FormatJsonResult(inputs[0], result, options.load.repair);
        } else {
            out << result.report;
        }
        err << result.messages;
        if (!result.ok && !options.json) {
            err << RefusalLine(result);
        }
        out.flush();
        return result.ok ? kExitOk : kExitRefused;
    }

    const std::vector<std::string> stems = OutputStems(inputs, options, usage);
    if (!usage.empty()) {
        err << usage << '\n';
        return kExitUsage;
    }
    std::vector<std::size_t> selected;
    if (options.shard) {
        selected = SelectShard(inputs, *options.shard);
    } else {
        selected.resize(inputs.size());
        for (std::size_t i = 0; i < selected.size(); ++i) {
            selected[i] = i;
        }
    }
    const auto picturesOf = [&](std::size_t i) { return PicturePaths(options, stems[i]); };
    if (!CheckLinkedPictures(inputs, selected, stems, options, usage)) {
        err << usage << '\n';
        return kExitUsage;
    }
    const std::vector<std::string> overwrites = OverwrittenInputs(inputs, selected, picturesOf);
    std::error_code ec;
    fs::create_directories(options.outDir, ec);
    if (ec) {
        err << FormatRefusal(options.outDir, OffError{0, ec.message()}) << '\n';
        return kExitRefused;
    }

    const std::size_t count = selected.size();
    // Models are spread over the threads; each draws on its own thread alone. With a single
    // thread for models the renderer keeps its own banded drawing.
    const bool parallelFiles = std::min<std::size_t>(ResolveJobs(options.jobs), count) > 1;
    std::vector<RenderResult> results(count);
    RunTotals totals;
    std::string records;
    const auto showProgress = [&](std::size_t done) {
        if (options.progress) {
            err << '\r' << ProgressBar(done, count) << std::flush;
        }
    };
    showProgress(0);
    ForEachInOrder(
        count, options.jobs,
        [&](std::size_t j) {
            const std::size_t i = selected[j];
            if (!overwrites[j].empty()) {
                Refuse(results[j], inputs[i], OffError{0, overwrites[j]});
                return;
            }
            results[j] = RenderModel(inputs[i], i, picturesOf(i), options, parallelFiles ? 1 : 0);
        },
        [&](std::size_t j) {
            RenderResult& result = results[j];
            const std::string& input = inputs[selected[j]];
            if (!result.ok) {
                ++totals.refused;
            } else if (result.skipped) {
                ++totals.skipped;
            } else {
                ++totals.rendered;
            }
            totals.images += result.images;
            records += result.records;
            std::string messages = std::move(result.messages);
            if (!result.ok && !options.json) {
                messages += RefusalLine(result);
            }
            const std::string report = options.json ? FormatJsonResult(input, result, options.load.repair)
                                                    : std::move(result.report);
            if (options.progress && (!report.empty() || !messages.empty())) {
                // The lines replace the bar on its line; the bar is drawn again below them.
                err << "\r\x1b[K" << std::flush;
            }
            out << report;
            if (options.progress) {
                out.flush();
            }
            err << messages;
            showProgress(j + 1);
            result = RenderResult{};
        },
        [&](std::size_t j) { return MayBlock(inputs[selected[j]]); });
    if (options.progress) {
        err << '\n';
    }

    // The manifest holds the records of every model drawn or skipped, in list order.
    std::string manifest;
    bool manifestFailed = false;
    if (options.views > 0) {
        manifest = (fs::path(options.outDir) / ManifestName(options.shard)).string();
        if (records.size() >= 2) {
            records.resize(records.size() - 2);  // the last record's ",\n"
        }
        std::string reason;
        if (!WriteFileAtomically(manifest, ManifestText(records), &reason)) {
            err << FormatRefusal(manifest, OffError{0, reason}) << '\n';
            manifest.clear();
            manifestFailed = true;
        }
    }
    out << (options.json ? FormatJsonSummary(totals, manifest) : FormatSummary(totals, options));
    out.flush();
    return totals.refused != 0 || manifestFailed ? kExitRefused : kExitOk;
}

}  // namespace quorvane::cli
