// The rules of data-set rendering, kept apart from the files they act on so that they are tested
// alone: the ring of views around a model, the names of its pictures and the records of the
// manifest, the split of an input list into shards, the list file's lines, and whether a picture
// left by an earlier run is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"
#include "render/color.h"
#include "render/drawing_settings.h"
#include "viewing/viewing_space.h"

namespace quorvane::cli {

// ---- The ring of views ----

// The world axis the ring turns about, which is also every view's Up Vector.
enum class ViewAxis { kX, kY, kZ };

// N views evenly spaced in azimuth about an axis through the model's centre, the eye raised by
// `elevation` degrees above the plane perpendicular to the axis, at the default view's distance.
struct ViewRing {
    int views = 12;
    double elevation = 30.0;  // degrees, strictly between -90 and 90
    ViewAxis axis = ViewAxis::kY;
    double angle = 45.0;  // viewing angle in degrees
};

// The largest number of views per model.
inline constexpr int kMaxViews = 100000;

// "x", "y" or "z".
const char* AxisName(ViewAxis axis);
// Reads "x", "y" or "z" (lower or upper case).
std::optional<ViewAxis> ParseAxis(std::string_view text);

// The azimuth of view `index` of `views` in degrees: 360 * index / views.
double ViewAzimuth(int index, int views);

// Places `camera` for view `index` of the ring around the model: At Point the centre of the
// document's bounding box, From Point at the default view's distance D from it in the direction
// D * (cos(el) * (cos(az) * a + sin(az) * b) + sin(el) * axis), where (a, b, axis) is the
// right-handed frame (z, x, y) for the y axis, (x, y, z) for z and (y, z, x) for x; Up Vector the
// axis. With the y axis, view 0 at elevation 0 is exactly the default view, and the azimuth turns
// the eye counter-clockwise seen from the axis's positive end. The camera is set through its
// setters in the order At, From, Up, angle, as `render --at --from --up --angle` sets it, so the
// numbers read back from the camera reproduce the picture exactly.
void PlaceRingCamera(CViewingSpace& camera, const CQuorvaneDoc& doc, const ViewRing& ring, int index);

// Whether the camera's From Point, At Point and Up Vector are all finite, so that they can be
// written as numbers (a model whose extent overflows a double is not).
bool CameraIsWritable(const CViewingSpace& camera);

// ---- Names and records ----

// The picture of view `index`: STEM_000.png, the index written with at least three digits and
// as many as views - 1 needs, so that every name of one run has the same width.
std::string ViewImageName(std::string_view stem, int index, int views);

// "wireframe", "solid" or "points".
const char* ModeName(DrawingMode mode);

// Colour as RRGGBB in upper-case hexadecimal, the notation --background takes.
std::string HexColor(COLORREF colour);

// What one manifest record says besides the camera.
struct ViewRecordFacts {
    std::size_t index = 0;  // position of the model in the whole input list
    int view = 0;
    int views = 0;
    std::string_view model;  // the input path as given
    std::string_view image;  // the picture's name in the manifest's folder
    double elevation = 0.0;
    ViewAxis axis = ViewAxis::kY;
    int size = 0;
    DrawingMode mode = DrawingMode::kSolid;
    COLORREF background = 0;
    COLORREF exterior = 0;
    COLORREF interior = 0;
};

// Appends one manifest record as a single line of JSON, without a line end:
// {"index":I,"view":V,"model":...,"file":...,"from":[x,y,z],"at":[...],"up":[...],"angle":A,
//  "azimuth":...,"elevation":...,"axis":"y","views":N,"size":S,"mode":"solid",
//  "background":"000000","exterior":"0000FF","interior":"FF0000"}.
// Numbers are written with the shortest text that reads back to the same double, so --from,
// --at, --up and --angle given these numbers rebuild the very camera. "index" and "view" come
// first: shard manifests are merged by sorting on them.
void AppendViewRecord(std::string& out, const ViewRecordFacts& facts, const CViewingSpace& camera);

// A manifest: a JSON array with one record a line ("[", records separated by ",\n", "]").
std::string ManifestText(std::string_view records);

// ---- Shards ----

// Part `index` (1-based) of `count` parts of the input list.
struct Shard {
    std::uint32_t index = 1;
    std::uint32_t count = 1;
};

// Reads "K/N" with 1 <= K <= N; on failure fills `error`.
bool ParseShard(std::string_view text, Shard& shard, std::string& error);

// The 1-based shard that `path`, exactly as written, belongs to among `count`: a 64-bit FNV-1a
// hash of its bytes, mixed, modulo `count`. It depends on nothing but the path's bytes and the
// count, so every machine, and every later run with a longer or shorter list, puts a path in the
// same shard.
std::uint32_t ShardOfPath(std::string_view path, std::uint32_t count);

// The positions in `paths` of the paths in `shard`, in list order.
std::vector<std::size_t> SelectShard(const std::vector<std::string>& paths, const Shard& shard);

// ---- The list file ----

// Appends the paths of a list file's text to `paths`: one path a line, lines ending in LF; a CR
// before the LF (or at the end of the text) is dropped, so lists written with CR LF read the
// same; empty lines are skipped; every other line is a path exactly as written, blanks at either
// end and a leading '#' included (file names may hold them). A line holding a NUL byte is an
// error (`error` says which line).
bool ParseInputList(std::string_view text, std::vector<std::string>& paths, std::string& error);

// ---- Pictures of an earlier run ----

// Whether the file at `path` is a complete PNG picture of `size` x `size` pixels in 8-bit RGB
// (or RGBA with `alpha`): it starts with the signature and an IHDR of that size and ends with an
// IEND chunk, so a picture cut short by a crash or a copy does not count. Reads 33 bytes at the
// start and 12 at the end.
bool IsCompletePng(const std::string& path, int size, bool alpha = false);

}  // namespace quorvane::cli
