// The thumbnail subcommand: the picture of one model for the desktop's thumbnail service, which
// runs it in a sandbox without a display, so it needs nothing but the input, the output and the
// renderer.
#include <ostream>

#include "cli/commands.h"
#include "cli/png_writer.h"
#include "model/file_io.h"
#include "model/statistics.h"
#include "model/text_escape.h"
#include "render/frame_renderer.h"
#include "viewing/default_view.h"

namespace quorvane::cli {

namespace {

// The value of a hexadecimal digit, or -1.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Two renders of one transform on two backgrounds: where they agree the model covers the pixel,
// where they differ the background shows, which becomes transparent. Exact whatever colours the
// model has, the background's own included.
void KeyOutBackground(CImage& first, const CImage& second) {
    const std::size_t count = static_cast<std::size_t>(first.Size()) * static_cast<std::size_t>(first.Size());
    std::uint32_t* a = first.Data();
    const std::uint32_t* b = second.Data();
    for (std::size_t i = 0; i < count; ++i) {
        a[i] = a[i] == b[i] ? (a[i] | 0xFF000000u) : 0u;
    }
}

}  // namespace

bool InputPathFromUri(std::string_view text, std::string& path, std::string& error) {
    constexpr std::string_view kScheme = "file://";
    if (text.size() < kScheme.size() || text.substr(0, kScheme.size()) != kScheme) {
        if (text.find("://") != std::string_view::npos && text.find('/') > text.find(':')) {
            error = "only local files (file://) can be read, not " + Escaped(text);
            return false;
        }
        path = text;
        return true;
    }
    std::string_view rest = text.substr(kScheme.size());
    if (rest.substr(0, 9) == "localhost") {
        rest.remove_prefix(9);
    }
    if (rest.empty() || rest.front() != '/') {
        error = "only local files can be read: " + Escaped(text) + " names another host";
        return false;
    }
    std::string decoded;
    decoded.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            decoded += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexDigit(rest[i + 1]) : -1;
        const int low = i + 2 < rest.size() ? HexDigit(rest[i + 2]) : -1;
        if (high < 0 || low < 0) {
            error = Escaped(text) + ": \"%\" must be followed by two hexadecimal digits";
            return false;
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0') {
            error = Escaped(text) + ": a file name cannot hold a NUL byte (%00)";
            return false;
        }
        decoded += byte;
        i += 2;
    }
    path = std::move(decoded);
    return true;
}

int RunThumbnail(const ThumbnailOptions& options, std::ostream& /*out*/, std::ostream& err) {
    if (options.size < 1 || options.size > kMaxRenderSize) {
        err << "thumbnail: -s must be between 1 and " << kMaxRenderSize << '\n';
        return kExitUsage;
    }
    std::string input;
    std::string reason;
    if (!InputPathFromUri(options.input, input, reason)) {
        err << "thumbnail: " << reason << '\n';
        return kExitRefused;
    }
    try {
        CQuorvaneDoc doc;
        OffError error;
        if (!LoadModel(input, options.load, doc, error)) {
            err << FormatRefusal(input, error) << '\n';
            return kExitRefused;
        }
        const std::int64_t triangles = CountTriangles(doc.m_polygons);
        if (static_cast<std::uint64_t>(triangles) > options.maxTriangles) {
            err << FormatRefusal(
                       input, OffError{0, "the model makes " + std::to_string(triangles) +
                                              " triangles, more than --max-triangles " +
                                              std::to_string(options.maxTriangles) + "; no thumbnail drawn"})
                << '\n';
            return kExitRefused;
        }
        CFrameRenderer frame;
        frame.SetModel(&doc);
        CViewingSpace camera;
        SetDefaultView(camera, doc);
        DrawingSettings settings;
        settings.mode = IsPointSet(doc) ? DrawingMode::kPoints : DrawingMode::kSolid;
        settings.backgroundColor = RGB(0, 0, 0);
        CImage picture = frame.RenderFrame(camera, settings, options.size);
        settings.backgroundColor = RGB(255, 255, 255);
        KeyOutBackground(picture, frame.Render(camera, settings, options.size));
        std::string bytes;
        if (!EncodePng(picture, bytes, &reason, true) ||
            !WriteFileAtomically(options.output, bytes, &reason)) {
            err << FormatRefusal(options.output, OffError{0, reason}) << '\n';
            return kExitRefused;
        }
    } catch (const std::bad_alloc&) {
        err << FormatRefusal(input, OffError{0, "not enough memory"}) << '\n';
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace quorvane::cli
