// The rules of data-set rendering: ring cameras, picture names, manifest records, shards, list
// files and complete pictures.
#include "cli/views.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "cli/commands.h"
#include "model/text_escape.h"
#include "viewing/default_view.h"

namespace quorvane::cli {

namespace {

// Degrees to radians with the program's value of pi (3.14159265358979 / 180).
constexpr double kRadiansPerDegree = 0.017453292519943278;

// The unit vector of an axis.
CVector3D AxisVector(ViewAxis axis) {
    switch (axis) {
        case ViewAxis::kX:
            return {1.0, 0.0, 0.0};
        case ViewAxis::kY:
            return {0.0, 1.0, 0.0};
        case ViewAxis::kZ:
            break;
    }
    return {0.0, 0.0, 1.0};
}

// The two unit vectors (a, b) that make a right-handed frame (a, b, axis): a x b = axis.
std::pair<CVector3D, CVector3D> RingPlane(ViewAxis axis) {
    switch (axis) {
        case ViewAxis::kX:
            return {{0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
        case ViewAxis::kY:
            return {{0.0, 0.0, 1.0}, {1.0, 0.0, 0.0}};
        case ViewAxis::kZ:
            break;
    }
    return {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
}

}  // namespace

const char* AxisName(ViewAxis axis) {
    switch (axis) {
        case ViewAxis::kX:
            return "x";
        case ViewAxis::kY:
            return "y";
        case ViewAxis::kZ:
            break;
    }
    return "z";
}

std::optional<ViewAxis> ParseAxis(std::string_view text) {
    if (text == "x" || text == "X") {
        return ViewAxis::kX;
    }
    if (text == "y" || text == "Y") {
        return ViewAxis::kY;
    }
    if (text == "z" || text == "Z") {
        return ViewAxis::kZ;
    }
    return std::nullopt;
}

double ViewAzimuth(int index, int views) {
    return 360.0 * static_cast<double>(index) / static_cast<double>(views);
}

// The eye on the ring at the default view's distance from the box centre, the Up Vector the axis.
void PlaceRingCamera(CViewingSpace& camera, const CQuorvaneDoc& doc, const ViewRing& ring, int index) {
    CViewingSpace framing;
    SetDefaultView(framing, doc);
    const CVector3D at = framing.GetAtPoint();
    // The default view stands on the +z side of the centre.
    const double distance = framing.GetFromPoint().z - at.z;
    const double azimuth = ViewAzimuth(index, ring.views) * kRadiansPerDegree;
    const double elevation = ring.elevation * kRadiansPerDegree;
    const auto [a, b] = RingPlane(ring.axis);
    const CVector3D up = AxisVector(ring.axis);
    const CVector3D direction =
        (a * std::cos(azimuth) + b * std::sin(azimuth)) * std::cos(elevation) + up * std::sin(elevation);
    camera.SetAtPoint(at);
    camera.SetFromPoint(at + direction * distance);
    camera.SetUpVector(up);
    camera.SetViewingAngle(ring.angle);
}

bool CameraIsWritable(const CViewingSpace& camera) {
    return camera.GetFromPoint().IsFinite() && camera.GetAtPoint().IsFinite() &&
           camera.GetUpVector().IsFinite() && std::isfinite(camera.GetViewingAngle());
}

std::string ViewImageName(std::string_view stem, int index, int views) {
    int width = 1;
    for (int last = std::max(views - 1, 0); last >= 10; last /= 10) {
        ++width;
    }
    width = std::max(width, 3);
    std::string digits = std::to_string(index);
    std::string name(stem);
    name += '_';
    if (static_cast<int>(digits.size()) < width) {
        name.append(static_cast<std::size_t>(width) - digits.size(), '0');
    }
    name += digits;
    name += ".png";
    return name;
}

const char* ModeName(DrawingMode mode) {
    switch (mode) {
        case DrawingMode::kWireframe:
            return "wireframe";
        case DrawingMode::kSolid:
            return "solid";
        case DrawingMode::kPoints:
            break;
    }
    return "points";
}

std::string HexColor(COLORREF colour) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const unsigned channels[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    std::string text;
    for (const unsigned c : channels) {
        text += kHex[c >> 4];
        text += kHex[c & 0xFu];
    }
    return text;
}

void AppendViewRecord(std::string& out, const ViewRecordFacts& facts, const CViewingSpace& camera) {
    out += "{\"index\":";
    AppendJsonInteger(out, static_cast<long long>(facts.index));
    out += ",\"view\":";
    AppendJsonInteger(out, facts.view);
    out += ",\"model\":";
    AppendJsonString(out, facts.model);
    out += ",\"file\":";
    AppendJsonString(out, facts.image);
    out += ",\"from\":";
    AppendJsonVector(out, camera.GetFromPoint());
    out += ",\"at\":";
    AppendJsonVector(out, camera.GetAtPoint());
    out += ",\"up\":";
    AppendJsonVector(out, camera.GetUpVector());
    out += ",\"angle\":";
    AppendJsonNumber(out, camera.GetViewingAngle());
    out += ",\"azimuth\":";
    AppendJsonNumber(out, ViewAzimuth(facts.view, facts.views));
    out += ",\"elevation\":";
    AppendJsonNumber(out, facts.elevation);
    out += ",\"axis\":\"";
    out += AxisName(facts.axis);
    out += "\",\"views\":";
    AppendJsonInteger(out, facts.views);
    out += ",\"size\":";
    AppendJsonInteger(out, facts.size);
    out += ",\"mode\":\"";
    out += ModeName(facts.mode);
    out += "\",\"background\":\"" + HexColor(facts.background) + "\",\"exterior\":\"" +
           HexColor(facts.exterior) + "\",\"interior\":\"" + HexColor(facts.interior) + "\"}";
}

std::string ManifestText(std::string_view records) {
    std::string text = "[\n";
    text += records;
    if (!records.empty() && records.back() != '\n') {
        text += '\n';
    }
    text += "]\n";
    return text;
}

bool ParseShard(std::string_view text, Shard& shard, std::string& error) {
    const std::size_t slash = text.find('/');
    const auto number = [](std::string_view digits, std::uint32_t& value) {
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && result.ec == std::errc() && result.ptr == digits.data() + digits.size();
    };
    Shard read;
    if (slash == std::string_view::npos || !number(text.substr(0, slash), read.index) ||
        !number(text.substr(slash + 1), read.count)) {
        std::string message(1, '"');
        message += Escaped(text);
        message += "\" is not K/N (two whole numbers, such as 3/8)";
        error = std::move(message);
        return false;
    }
    if (read.count == 0 || read.index == 0 || read.index > read.count) {
        std::string message(1, '"');
        message += Escaped(text);
        message += "\": the shard K of N must lie in 1 .. N, and N must be at least 1";
        error = std::move(message);
        return false;
    }
    shard = read;
    return true;
}

std::uint32_t ShardOfPath(std::string_view path, std::uint32_t count) {
    // FNV-1a, then the finaliser of splitmix64 so that the low bits depend on every byte.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    hash ^= hash >> 30;
    hash *= 0xbf58476d1ce4e5b9ull;
    hash ^= hash >> 27;
    hash *= 0x94d049bb133111ebull;
    hash ^= hash >> 31;
    return static_cast<std::uint32_t>(hash % count) + 1;
}

std::vector<std::size_t> SelectShard(const std::vector<std::string>& paths, const Shard& shard) {
    std::vector<std::size_t> selected;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (ShardOfPath(paths[i], shard.count) == shard.index) {
            selected.push_back(i);
        }
    }
    return selected;
}

bool ParseInputList(std::string_view text, std::vector<std::string>& paths, std::string& error) {
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        if (line.find('\0') != std::string_view::npos) {
            error = "line " + std::to_string(lineNumber) + ": a file name cannot hold a NUL byte";
            return false;
        }
        paths.emplace_back(line);
    }
    return true;
}

bool IsCompletePng(const std::string& path, int size, bool alpha) {
    static constexpr unsigned char kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                                 0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    static constexpr unsigned char kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    unsigned char head[26];
    unsigned char tail[12];
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 33 + 12 &&
                      ::pread(fd, head, sizeof head, 0) == static_cast<ssize_t>(sizeof head) &&
                      ::pread(fd, tail, sizeof tail, info.st_size - 12) == static_cast<ssize_t>(sizeof tail);
    ::close(fd);
    if (!read || std::memcmp(head, kStart, sizeof kStart) != 0 || std::memcmp(tail, kEnd, sizeof kEnd) != 0) {
        return false;
    }
    const auto big = [&](int at) {
        return (std::uint32_t{head[at]} << 24) | (std::uint32_t{head[at + 1]} << 16) |
               (std::uint32_t{head[at + 2]} << 8) | std::uint32_t{head[at + 3]};
    };
    const std::uint32_t side = static_cast<std::uint32_t>(size);
    return big(16) == side && big(20) == side && head[24] == 8 && head[25] == (alpha ? 6 : 2);
}

}  // namespace quorvane::cli
