// The render subcommand: PNG format and pixels, camera and colour options, several files at a
// time, refusals, usage errors and the atomic write.
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "cli/png_writer.h"
#include "cli_test_support.h"
#include "render/lighting.h"

namespace quorvane::cli::test {
namespace {

// A decoded PNG file with the facts of its header that the format promises.
struct Picture {
    bool read = false;
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = -1;
    std::vector<png_byte> rgb;  // width * height * 3 bytes, row-major

    COLORREF At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3;
        return RGB(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
};

// The IHDR facts straight from the bytes, then the pixels through libpng.
Picture DecodePng(const std::string& bytes) {
    Picture picture;
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0) {
        return picture;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    picture.bitDepth = byte(24);
    picture.colourType = byte(25);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    picture.read = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return picture;
}

Picture ReadPng(const fs::path& path) {
    return DecodePng(ReadBytes(path));
}

// Options for one input drawn to `output`.
RenderOptions SingleRender(const std::string& input, const fs::path& output) {
    RenderOptions options;
    options.files = {input};
    options.output = output.string();
    return options;
}

// The colour of a cube face seen from `eye` with the default lighting, whose light comes from the
// eye along the default view's line of sight (world direction (0, 0, 1)).
COLORREF CubeFaceColour(const CVector3D& a, const CVector3D& b, const CVector3D& c, const CVector3D& normal,
                        const CVector3D& eye) {
    CLightingSettings lighting;
    lighting.SetLightDirection(CVector3D(0.0, 0.0, 1.0));
    const CVector3D centroid = ((a + b) + c) / 3.0;
    const CVector3D d = eye - centroid;
    return lighting.ComputeColor(normal, d / d.Length());
}

// ---- The image file ----

TEST(CliRenderPng, EncodesEveryPixelAsEightBitRgbInRowOrder) {
    for (const int size : {1, 3, 17, 256}) {
        CImage image;
        image.Resize(size);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                // Distinct red, green and blue per pixel, so a swapped channel or row shows.
                image.Pixel(x, y) = 0xFF000000u | (static_cast<std::uint32_t>(x & 0xFF) << 16) |
                                    (static_cast<std::uint32_t>(y & 0xFF) << 8) |
                                    static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF);
            }
        }
        std::string bytes, error;
        ASSERT_TRUE(EncodePng(image, bytes, &error)) << error;
        const Picture picture = DecodePng(bytes);
        ASSERT_TRUE(picture.read) << size;
        EXPECT_EQ(picture.width, size);
        EXPECT_EQ(picture.height, size);
        EXPECT_EQ(picture.bitDepth, 8);
        EXPECT_EQ(picture.colourType, 2);  // truecolour without alpha
        int mismatches = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                mismatches += picture.At(x, y) != RGB(static_cast<std::uint8_t>(x & 0xFF),
                                                      static_cast<std::uint8_t>(y & 0xFF),
                                                      static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF));
            }
        }
        EXPECT_EQ(mismatches, 0) << size;
    }
}

TEST(CliRenderPng, AnEmptyImageIsNotEncoded) {
    CImage image;
    std::string bytes, error;
    EXPECT_FALSE(EncodePng(image, bytes, &error));
    EXPECT_FALSE(error.empty());
}

// ---- Pixels of the cube in the default view (eye at (0, 0, 2.5), 45 degrees) ----

// At S = 512 the front face's corner (-0.5, 0.5, 0.5) projects to x = 0.19822..., y = 0.80177...:
// column 101, row 102 as a line end, row 101 as a point (512 - 410.5 truncated).
struct CubePixelCase {
    DrawingMode mode;
    int x;
    int y;
    bool exterior;  // the exterior colour there, otherwise the background
};

void PrintTo(const CubePixelCase& c, std::ostream* os) {
    *os << "mode " << static_cast<int>(c.mode) << " pixel (" << c.x << ", " << c.y << ")";
}

class CliRenderCubeModes : public ::testing::TestWithParam<CubePixelCase> {};

TEST_P(CliRenderCubeModes, DrawsTheModeAsked) {
    const CubePixelCase& c = GetParam();
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.mode = c.mode;
    options.background = RGB(16, 32, 48);
    options.exterior = RGB(0, 200, 0);
    const RunResult result = RunCommand(RunRender, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.err, "");
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    ASSERT_EQ(picture.width, 512);
    ASSERT_EQ(picture.height, 512);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{511, 0}, std::pair{0, 511}, std::pair{511, 511}}) {
        EXPECT_EQ(picture.At(x, y), RGB(16, 32, 48)) << x << "," << y;
    }
    EXPECT_EQ(picture.At(c.x, c.y), c.exterior ? RGB(0, 200, 0) : RGB(16, 32, 48)) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CliRenderCubeModes,
    ::testing::Values(CubePixelCase{DrawingMode::kWireframe, 101, 102, true},   // a corner as a line end
                      CubePixelCase{DrawingMode::kWireframe, 256, 102, true},   // the front face's top edge
                      CubePixelCase{DrawingMode::kWireframe, 256, 256, false},  // edges only, no diagonals
                      CubePixelCase{DrawingMode::kPoints, 101, 101, true},      // the corner as a point
                      CubePixelCase{DrawingMode::kPoints, 101, 102, false},
                      CubePixelCase{DrawingMode::kPoints, 256, 102, false}),
    [](const ::testing::TestParamInfo<CubePixelCase>& info) {
        std::string name = info.param.mode == DrawingMode::kPoints ? "Points" : "Wireframe";
        return name.append("_")
            .append(std::to_string(info.param.x))
            .append("_")
            .append(std::to_string(info.param.y));
    });

TEST(CliRenderCube, SolidCentreIsTheFrontFaceShadedForItsTriangle) {
    const fs::path out = ScratchFolder() / "cube.png";
    const RunResult result = RunCommand(RunRender, SingleRender(TestModel("cube.off"), out));
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    // The centre lies on the diagonal shared by the front face's two triangles (fan from vertex 0:
    // 0-1-3 and 0-3-2); both are shaded alike, since their centroids (±1/6, ∓1/6, 0.5) sit
    // symmetrically about the line of sight. Seen from the centroid the eye is slightly off the
    // normal, so the highlight is weaker than head-on: 0.49 * 0.9915^15 * 255 gives 112, not 124.
    const CVector3D eye(0.0, 0.0, 2.5);
    const CVector3D v0(-0.5, -0.5, 0.5), v1(0.5, -0.5, 0.5), v2(-0.5, 0.5, 0.5), v3(0.5, 0.5, 0.5);
    const COLORREF lower = CubeFaceColour(v0, v1, v3, CVector3D(0.0, 0.0, 1.0), eye);
    const COLORREF upper = CubeFaceColour(v0, v3, v2, CVector3D(0.0, 0.0, 1.0), eye);
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(lower, RGB(112, 112, 255));
    EXPECT_EQ(picture.At(256, 256), lower);
    EXPECT_EQ(picture.At(0, 0), RGB(0, 0, 0));  // the default background
}

TEST(CliRenderCube, FarEyeSeesTheHeadOnColour) {
    // From 1000 units away the centroid's direction to the eye is the normal to within 1e-7, so
    // the face takes the head-on colour: ambient 0.3 and diffuse 0.6 of blue, highlight
    // 0.49 * 255 = 124.95 truncated on every channel, blue clamped.
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.from = CVector3D(0.0, 0.0, 1000.0);
    options.angle = 1.0;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    CLightingSettings lighting;
    lighting.SetLightDirection(CVector3D(0.0, 0.0, 1.0));
    EXPECT_EQ(lighting.ComputeColor(CVector3D(0.0, 0.0, 1.0), CVector3D(0.0, 0.0, 1.0)), RGB(124, 124, 255));
    EXPECT_EQ(picture.At(256, 256), RGB(124, 124, 255));
    // At 1 degree the cube spans about 57 / 1000 of the image width: 256 +- 14 pixels.
    EXPECT_EQ(picture.At(256 - 20, 256), RGB(0, 0, 0));
}

TEST(CliRenderCube, InteriorColourShowsFromInside) {
    // The eye inside the cube, looking at the back face from within: that face is turned away
    // and takes the interior colour with its normal flipped towards the eye.
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.from = CVector3D(0.0, 0.0, 0.2);
    options.interior = RGB(0, 255, 0);
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    CLightingSettings lighting;
    lighting.SetInteriorColor(RGB(0, 255, 0));
    lighting.SetLightDirection(CVector3D(0.0, 0.0, 1.0));
    const CVector3D eye(0.0, 0.0, 0.2);
    const CVector3D centroid =
        ((CVector3D(-0.5, 0.5, -0.5) + CVector3D(0.5, 0.5, -0.5)) + CVector3D(0.5, -0.5, -0.5)) / 3.0;
    const CVector3D toEye = (eye - centroid) / (eye - centroid).Length();
    const COLORREF expected = lighting.ComputeColor(CVector3D(0.0, 0.0, -1.0), toEye);
    EXPECT_EQ(GetGValue(expected), 255);
    EXPECT_EQ(picture.At(256, 256), expected);
}

TEST(CliRenderCube, SelectionMarkerFramesTheVertex) {
    // Vertex 0 (-0.5, -0.5, 0.5) as a line end: column 101, row 512 - 101 = 411; the frame's
    // top-left corner is (99, 409), grey along the top and left, white along the right and bottom.
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.select = 0;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    EXPECT_EQ(picture.At(99, 409), RGB(170, 170, 170));
    EXPECT_EQ(picture.At(101, 409), RGB(170, 170, 170));
    EXPECT_EQ(picture.At(99, 411), RGB(170, 170, 170));
    EXPECT_EQ(picture.At(102, 409), RGB(255, 255, 255));
    EXPECT_EQ(picture.At(102, 412), RGB(255, 255, 255));
    EXPECT_EQ(picture.At(99, 412), RGB(255, 255, 255));

    const fs::path plain = ScratchFolder() / "plain.png";
    ASSERT_EQ(RunCommand(RunRender, SingleRender(TestModel("cube.off"), plain)).status, kExitOk);
    EXPECT_EQ(ReadPng(plain).At(99, 409), RGB(0, 0, 0));
}

TEST(CliRenderCube, SelectionOutsideTheVerticesIsRefused) {
    for (const long long index : {8LL, -1LL, 1LL << 40}) {
        const fs::path out = ScratchFolder() / "cube.png";
        RenderOptions options = SingleRender(TestModel("cube.off"), out);
        options.select = index;
        const RunResult result = RunCommand(RunRender, options);
        EXPECT_EQ(result.status, kExitRefused) << index;
        EXPECT_NE(result.err.find("cube.off"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(std::to_string(index)), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("0..7"), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

// ---- Camera options ----

// A pixel left of the default cube (column 60 of row 256) is covered after zooming in 10 steps
// (eye 1.5 away, the front face fills the image) and not after zooming out.
struct ZoomCase {
    int steps;
    int x;
    bool covered;
};

void PrintTo(const ZoomCase& c, std::ostream* os) {
    *os << c.steps << " steps, column " << c.x;
}

class CliRenderZoom : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(CliRenderZoom, StepsMoveTheEyeAlongTheLineOfSight) {
    const ZoomCase& c = GetParam();
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.zoom = c.steps;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    EXPECT_EQ(picture.At(c.x, 256) != RGB(0, 0, 0), c.covered);
}

INSTANTIATE_TEST_SUITE_P(Steps, CliRenderZoom,
                         ::testing::Values(ZoomCase{0, 60, false}, ZoomCase{0, 110, true},
                                           ZoomCase{10, 60, true}, ZoomCase{-10, 110, false},
                                           // Past the near limit the loop stops: the eye stays 0.1 away.
                                           ZoomCase{1000000, 0, true}),
                         [](const ::testing::TestParamInfo<ZoomCase>& info) {
                             const int steps = info.param.steps;
                             return (steps < 0 ? "Out" + std::to_string(-steps)
                                               : "In" + std::to_string(steps)) +
                                    "_Column" + std::to_string(info.param.x);
                         });

TEST(CliRenderCamera, OrbitQuarterTurnShowsASideFaceHeadOn) {
    // After the horizontal quarter turn the eye is at (-2.5, 0, 0) and sees the face x = -0.5
    // exactly as the default view sees the front face.
    const fs::path folder = ScratchFolder();
    RenderOptions turned = SingleRender(TestModel("cube.off"), folder / "turned.png");
    turned.orbit = std::array<double, 2>{0.0, 90.0};
    turned.exterior = RGB(0, 255, 0);
    ASSERT_EQ(RunCommand(RunRender, turned).status, kExitOk);
    const Picture picture = ReadPng(folder / "turned.png");
    ASSERT_TRUE(picture.read);
    CLightingSettings lighting;
    lighting.SetExteriorColor(RGB(0, 255, 0));
    lighting.SetLightDirection(CVector3D(-1.0, 0.0, 0.0));
    const CVector3D centroid =
        ((CVector3D(-0.5, -0.5, -0.5) + CVector3D(-0.5, -0.5, 0.5)) + CVector3D(-0.5, 0.5, 0.5)) / 3.0;
    const CVector3D d = CVector3D(-2.5, 0.0, 0.0) - centroid;
    EXPECT_EQ(picture.At(256, 256), lighting.ComputeColor(CVector3D(-1.0, 0.0, 0.0), d / d.Length()));
}

TEST(CliRenderCamera, AFarAtPointOnTheLineOfSightDrawsTheSamePicture) {
    // From (0, 0, 5) the cube lies 4.5 to 5.5 in front of the eye wherever the At Point lies on
    // the line of sight: 6005 away the picture is the one with the At Point at the origin.
    const fs::path folder = ScratchFolder();
    for (const DrawingMode mode : {DrawingMode::kWireframe, DrawingMode::kSolid, DrawingMode::kPoints}) {
        std::string pictures[2];
        for (int far = 0; far < 2; ++far) {
            RenderOptions options = SingleRender(TestModel("cube.off"), folder / "cube.png");
            options.mode = mode;
            options.from = CVector3D(0.0, 0.0, 5.0);
            options.at = CVector3D(0.0, 0.0, far != 0 ? -6000.0 : 0.0);
            ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
            pictures[far] = ReadBytes(folder / "cube.png");
        }
        const Picture picture = DecodePng(pictures[1]);
        ASSERT_TRUE(picture.read);
        int drawn = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                drawn += picture.At(x, y) != RGB(0, 0, 0) ? 1 : 0;
            }
        }
        EXPECT_GE(drawn, 8) << static_cast<int>(mode);  // at least the eight corners as points
        EXPECT_EQ(pictures[0], pictures[1]) << static_cast<int>(mode);
    }
}

TEST(CliRenderCamera, PanMovesTheModelAcrossTheImage) {
    // A positive first amount moves the camera left, so the model moves right: the cube's left
    // edge (column 101) is uncovered and a column right of its right edge (410) is covered.
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.pan = std::array<double, 2>{0.1, 0.0};
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    EXPECT_EQ(picture.At(105, 256), RGB(0, 0, 0));
    EXPECT_NE(picture.At(420, 256), RGB(0, 0, 0));
}

TEST(CliRenderCamera, DegenerateCameraWritesTheBackgroundWithAWarning) {
    const fs::path out = ScratchFolder() / "cube.png";
    RenderOptions options = SingleRender(TestModel("cube.off"), out);
    options.from = CVector3D(0.0, 0.0, 0.0);  // on the At Point
    options.background = RGB(1, 2, 3);
    options.size = 64;
    const RunResult result = RunCommand(RunRender, options);
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_NE(result.err.find("cube.off"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("warning"), std::string::npos) << result.err;
    const Picture picture = ReadPng(out);
    ASSERT_TRUE(picture.read);
    ASSERT_EQ(picture.width, 64);
    int others = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            others += picture.At(x, y) != RGB(1, 2, 3);
        }
    }
    EXPECT_EQ(others, 0);
}

TEST(CliRenderCamera, DegenerateCameraWarningNamesItsCause) {
    const fs::path out = ScratchFolder() / "cube.png";
    const struct {
        CVector3D from, at;
        const char* cause;
    } cases[] = {
        {{0, 0, 0}, {0, 0, 0}, "the From Point equals the At Point"},
        {{1e308, 0, 0}, {-1e308, 0, 0}, "overflows double precision"},
    };
    for (const auto& c : cases) {
        RenderOptions options = SingleRender(TestModel("cube.off"), out);
        options.from = c.from;
        options.at = c.at;
        options.size = 16;
        const RunResult result = RunCommand(RunRender, options);
        EXPECT_EQ(result.status, kExitOk);
        EXPECT_EQ(result.err.rfind(TestModel("cube.off") + ": warning: the camera is degenerate: ", 0), 0u)
            << result.err;
        EXPECT_NE(result.err.find(c.cause), std::string::npos) << result.err;
    }
}

TEST(CliRenderPointSet, IsDrawnAsPointsWithoutAModeAndWarnedAboutWithOne) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "points.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n");
    const auto inked = [](const Picture& picture) {
        int count = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                count += picture.At(x, y) != RGB(0, 0, 0);
            }
        }
        return count;
    };
    RenderOptions options = SingleRender((folder / "points.off").string(), folder / "points.png");
    options.size = 64;
    // Strictly a point set is refused.
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitRefused);
    options.load.repair = true;
    RunResult result = RunCommand(RunRender, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(result.out.find("points.off: a point set (no polygon sides): drawn in points mode"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(inked(ReadPng(folder / "points.png")), 3);
    options.mode = DrawingMode::kSolid;
    result = RunCommand(RunRender, options);
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(
        result.err.find("warning: a point set (no polygon sides) shows only the background in solid mode"),
        std::string::npos)
        << result.err;
    EXPECT_EQ(inked(ReadPng(folder / "points.png")), 0);
}

// ---- Sizes and the teapot ----

TEST(CliRenderTeapot, EveryModeWritesTheAskedSize) {
    for (const DrawingMode mode : {DrawingMode::kWireframe, DrawingMode::kSolid, DrawingMode::kPoints}) {
        for (const int size : {1, 97, 300}) {
            const fs::path out = ScratchFolder() / "teapot.png";
            RenderOptions options = SingleRender(TestModel("teapot.off"), out);
            options.mode = mode;
            options.size = size;
            options.background = RGB(255, 255, 255);
            ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
            const Picture picture = ReadPng(out);
            ASSERT_TRUE(picture.read);
            EXPECT_EQ(picture.width, size);
            EXPECT_EQ(picture.height, size);
            if (size > 1) {  // a single pixel is the centre, where the teapot is
                EXPECT_EQ(picture.At(0, 0), RGB(255, 255, 255));
                // Something of the teapot is drawn near the middle.
                int drawn = 0;
                for (int y = size / 4; y < 3 * size / 4; ++y) {
                    for (int x = size / 4; x < 3 * size / 4; ++x) {
                        drawn += picture.At(x, y) != RGB(255, 255, 255);
                    }
                }
                EXPECT_GT(drawn, 0) << static_cast<int>(mode) << " " << size;
            }
        }
    }
}

// ---- Several files ----

TEST(CliRenderOutDir, WritesEachFileAndReportsRefusals) {
    const fs::path folder = ScratchFolder() / "images";  // made by the command
    for (const unsigned jobs : {1u, 2u}) {
        RenderOptions options;
        options.files = {TestModel("cube.off"), TestModel("elephant.off"), TestModel("teapot.off")};
        options.outDir = folder.string();
        options.jobs = jobs;
        options.size = 128;
        const RunResult result = RunCommand(RunRender, options);
        EXPECT_EQ(result.status, kExitRefused) << jobs;
        EXPECT_EQ(Lines(result.err),
                  std::vector<std::string>{TestModel("elephant.off") +
                                           ":3: blank line where vertex 1 of 2775 was expected"});
        EXPECT_EQ(result.out, "2 rendered, 1 refused\n");
        EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"cube.png", "teapot.png"}));
    }
}

TEST(CliRenderOutDir, ImagesMatchSingleRendersWhateverTheThreads) {
    const fs::path folder = ScratchFolder();
    RenderOptions many;
    many.files = {TestModel("teapot.off"), TestModel("cube.off"), TestModel("torus_quads.off")};
    many.outDir = (folder / "many").string();
    many.jobs = 2;
    ASSERT_EQ(RunCommand(RunRender, many).status, kExitOk);
    for (const std::string name : {"teapot", "cube", "torus_quads"}) {
        const fs::path single = folder / (name + ".png");
        ASSERT_EQ(RunCommand(RunRender, SingleRender(TestModel(name + ".off"), single)).status, kExitOk);
        EXPECT_EQ(ReadPng(single).rgb, ReadPng(folder / "many" / (name + ".png")).rgb) << name;
    }
}

TEST(CliRenderOutDir, ProgressBarCountsToTheEnd) {
    RenderOptions options;
    options.files = {TestModel("cube.off"), TestModel("elephant.off"), TestModel("teapot.off")};
    options.outDir = (ScratchFolder() / "images").string();
    options.size = 32;
    options.progress = true;
    const RunResult result = RunCommand(RunRender, options);
    EXPECT_NE(result.err.find("\r[" + std::string(30, '=') + "] 3/3\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("] 1/3"), std::string::npos);
    // The refusal starts on a cleared line of its own.
    EXPECT_NE(result.err.find("\r\x1b[K" + TestModel("elephant.off") + ":3:"), std::string::npos)
        << result.err;
}

TEST(CliRenderOutDir, InputsWithTheSameNameAreAUsageError) {
    const fs::path folder = ScratchFolder();
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    fs::copy_file(TestModel("cube.off"), folder / "a" / "cube.off");
    fs::copy_file(TestModel("cube.off"), folder / "b" / "cube.off");
    RenderOptions options;
    options.files = {(folder / "a" / "cube.off").string(), (folder / "b" / "cube.off").string()};
    options.outDir = (folder / "images").string();
    const RunResult result = RunCommand(RunRender, options);
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_NE(result.err.find("cube.png"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(folder / "images"));
}

// ---- Reading options and failures ----

TEST(CliRender, RepairFlagReachesTheReader) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "commented.off", "OFF\n# a triangle\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    RenderOptions options = SingleRender((folder / "commented.off").string(), folder / "commented.png");
    EXPECT_EQ(RunCommand(RunRender, options).status, kExitRefused);
    EXPECT_FALSE(fs::exists(folder / "commented.png"));
    options.load.repair = true;
    const RunResult repaired = RunCommand(RunRender, options);
    EXPECT_EQ(repaired.status, kExitOk) << repaired.err;
    EXPECT_NE(repaired.out.find("1 repair"), std::string::npos) << repaired.out;
    EXPECT_TRUE(ReadPng(folder / "commented.png").read);
}

TEST(CliRender, WriteFailureNamesTheOutputAndTheReason) {
    const fs::path out = ScratchFolder() / "missing" / "cube.png";
    const RunResult result = RunCommand(RunRender, SingleRender(TestModel("cube.off"), out));
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err.rfind(out.string() + ": ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("No such file or directory"), std::string::npos) << result.err;
}

TEST(CliRender, AtomicWriteReplacesTheFileAndLeavesNothingElse) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "cube.png", "old contents");
    RenderOptions options = SingleRender(TestModel("cube.off"), folder / "cube.png");
    options.size = 40;
    ASSERT_EQ(RunCommand(RunRender, options).status, kExitOk);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"cube.png"});
    EXPECT_EQ(ReadPng(folder / "cube.png").width, 40);
}

// ---- Parsing ----

struct NumberListCase {
    const char* text;
    std::size_t count;
    bool ok;
    std::array<double, 3> values;
};

void PrintTo(const NumberListCase& c, std::ostream* os) {
    *os << "\"" << c.text << "\" as " << c.count << " numbers";
}

class CliRenderNumberList : public ::testing::TestWithParam<NumberListCase> {};

TEST_P(CliRenderNumberList, ParsesStrictly) {
    const NumberListCase& c = GetParam();
    std::array<double, 3> values{};
    std::string error;
    EXPECT_EQ(ParseNumberList(c.text, std::span<double>(values.data(), c.count), error), c.ok) << c.text;
    if (c.ok) {
        for (std::size_t i = 0; i < c.count; ++i) {
            EXPECT_EQ(values[i], c.values[i]) << c.text;
        }
    } else {
        EXPECT_FALSE(error.empty()) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CliRenderNumberList,
    ::testing::Values(NumberListCase{"1,-2.5,3e2", 3, true, {1.0, -2.5, 300.0}},
                      NumberListCase{".5,0,-0", 3, true, {0.5, 0.0, 0.0}},
                      NumberListCase{"-10,20", 2, true, {-10.0, 20.0, 0.0}},
                      NumberListCase{"45", 1, true, {45.0, 0.0, 0.0}}, NumberListCase{"1,2", 3, false, {}},
                      NumberListCase{"1,2,3,4", 3, false, {}}, NumberListCase{"1,,3", 3, false, {}},
                      NumberListCase{"1,2,", 3, false, {}}, NumberListCase{",1,2", 3, false, {}},
                      NumberListCase{"1, 2,3", 3, false, {}}, NumberListCase{"1,2,3 ", 3, false, {}},
                      NumberListCase{"1;2;3", 3, false, {}}, NumberListCase{"1,5;2", 2, false, {}},
                      NumberListCase{"a,b,c", 3, false, {}}, NumberListCase{"inf,0,0", 3, false, {}},
                      NumberListCase{"0,nan,0", 3, false, {}}, NumberListCase{"1e400,0,0", 3, false, {}},
                      NumberListCase{"0x10,0,0", 3, false, {}}, NumberListCase{"", 1, false, {}},
                      NumberListCase{"1,2", 1, false, {}}));

TEST(CliRenderColour, ReadsSixHexDigitsWithOrWithoutHash) {
    COLORREF colour = 0;
    std::string error;
    ASSERT_TRUE(ParseHexColor("#FF8001", colour, error));
    EXPECT_EQ(colour, RGB(255, 128, 1));
    ASSERT_TRUE(ParseHexColor("0a0B0c", colour, error));
    EXPECT_EQ(colour, RGB(10, 11, 12));
    for (const char* bad :
         {"", "#", "FF800", "FF80011", "GG0000", "-F8000", "+F8000", "##FF8000", "0xFF80", " FF800"}) {
        EXPECT_FALSE(ParseHexColor(bad, colour, error)) << bad;
    }
}

// ---- The executable's command line ----

TEST(CliRenderBinary, WrongCommandLinesAreUsageErrors) {
    const std::string cube = std::string(1, '\'').append(TestModel("cube.off")).append("'");
    const std::string out = std::string(1, '\'').append((ScratchFolder() / "x.png").string()).append("'");
    const std::string cubeToOut = std::string("render ").append(cube).append(" -o ").append(out);
    for (const char* options : {" --mode shaded", " --at 1,2", " --at 1,2,x", " --up 0,1,inf", " --orbit 10",
                                " --angle 1,2", " --size 0", " --size 16385", " --background 12345"}) {
        const RunResult result = RunBinary(cubeToOut + options);
        EXPECT_EQ(result.status, kExitUsage) << options << "\n" << result.out;
    }
    for (const std::string& arguments : {
             std::string("render ").append(cube).append(" ").append(cube).append(" -o ").append(out),
             std::string("render ").append(cube),
             std::string(cubeToOut).append(" --out-dir ").append(out),
         }) {
        const RunResult result = RunBinary(arguments);
        EXPECT_EQ(result.status, kExitUsage) << arguments << "\n" << result.out;
    }
    EXPECT_FALSE(fs::exists(ScratchFolder() / "x.png"));
}

TEST(CliRenderBinary, NegativeListsAndCountsAreValues) {
    const fs::path out = ScratchFolder() / "cube.png";
    const RunResult result = RunBinary("render '" + TestModel("cube.off") + "' -o '" + out.string() +
                                       "' --orbit -10,20 --zoom -2 --pan -0.05,0 --at -0.1,0,0 --size 33");
    EXPECT_EQ(result.status, kExitOk) << result.out;
    EXPECT_EQ(ReadPng(out).width, 33);
}

TEST(CliRenderBinary, ModeAndColourTextsReachTheRenderer) {
    // The cube's centre: inside the front face in solid mode, between the edges in wireframe
    // mode and between the corners in points mode.
    const fs::path out = ScratchFolder() / "cube.png";
    for (const auto& [mode, centre] :
         {std::pair{"solid", RGB(112, 112, 255)}, std::pair{"wireframe", RGB(16, 32, 48)},
          std::pair{"points", RGB(16, 32, 48)}}) {
        const RunResult result = RunBinary("render '" + TestModel("cube.off") + "' -o '" + out.string() +
                                           "' --mode " + mode + " --background '#102030'");
        ASSERT_EQ(result.status, kExitOk) << result.out;
        const Picture picture = ReadPng(out);
        ASSERT_TRUE(picture.read);
        EXPECT_EQ(picture.At(0, 0), RGB(16, 32, 48)) << mode;
        EXPECT_EQ(picture.At(256, 256), centre) << mode;
    }
}

TEST(CliRenderBinary, HelpListsTheOptions) {
    const RunResult result = RunBinary("render --help");
    EXPECT_EQ(result.status, kExitOk);
    for (const char* option : {"--out-dir", "--mode", "--size", "--at", "--orbit", "--zoom", "--pan",
                               "--background", "--select", "--repair", "--jobs"}) {
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    }
}

TEST(CliRenderBinary, MessageNamesTheBadOption) {
    const RunResult result = RunBinary("render '" + TestModel("cube.off") + "' -o x.png --from 1,2,3,4");
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_NE(result.out.find("--from"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("expected 3 numbers"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace quorvane::cli::test
