// Whole pictures of sample models compared with stored images (binary PPM, 128 x 128): each model
// in each drawing mode, with the default camera and after one orbit. A missing stored image is
// written from the current drawing and reported; a differing one fails and leaves the actual
// picture and a difference picture in the test output folder.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/view.h"
#include "view_test_support.h"

namespace quorvane {
namespace {

using namespace testing_support;

constexpr int kGoldenSize = 128;

// An RGB picture of 8 bits per channel, row by row from the top.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

RgbImage FromImage(const CImage& image) {
    RgbImage out{image.Size(), image.Size(), {}};
    const std::size_t n = static_cast<std::size_t>(image.Size()) * static_cast<std::size_t>(image.Size());
    out.rgb.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t p = image.Data()[i];
        out.rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        out.rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        out.rgb.push_back(static_cast<std::uint8_t>(p));
    }
    return out;
}

bool WritePpm(const std::filesystem::path& path, const RgbImage& image) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()),
              static_cast<std::streamsize>(image.rgb.size()));
    return static_cast<bool>(out);
}

// Reads a binary PPM with a maximum value of 255; comments are not used by these files.
bool ReadPpm(const std::filesystem::path& path, RgbImage& image) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    if (!(in >> magic >> image.width >> image.height >> maxValue) || magic != "P6" || maxValue != 255 ||
        image.width <= 0 || image.height <= 0) {
        return false;
    }
    in.get();  // the single white-space character before the pixels
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
    return in.gcount() == static_cast<std::streamsize>(image.rgb.size());
}

// The expected picture dimmed, with every differing pixel in bright red.
RgbImage Difference(const RgbImage& expected, const RgbImage& actual, int& differing) {
    RgbImage out = expected;
    differing = 0;
    for (std::size_t i = 0; i + 2 < out.rgb.size(); i += 3) {
        const bool same = expected.rgb[i] == actual.rgb[i] && expected.rgb[i + 1] == actual.rgb[i + 1] &&
                          expected.rgb[i + 2] == actual.rgb[i + 2];
        if (same) {
            for (int k = 0; k < 3; ++k) {
                out.rgb[i + k] = static_cast<std::uint8_t>(out.rgb[i + k] / 4);
            }
        } else {
            ++differing;
            out.rgb[i] = 255;
            out.rgb[i + 1] = 0;
            out.rgb[i + 2] = 0;
        }
    }
    return out;
}

struct GoldenCase {
    const char* file;
    int mode;  // 0 wireframe, 1 solid, 2 points
    bool orbit;

    std::string Name() const {
        std::string name = file;
        name = name.substr(0, name.find('.'));
        static const char* const kModes[] = {"wireframe", "solid", "points"};
        return name + "_" + kModes[mode] + (orbit ? "_orbit" : "_default");
    }
};

class GoldenImage : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenImage, MatchesTheStoredPicture) {
    const GoldenCase& c = GetParam();
    auto doc = DocumentFromFile(c.file);
    ASSERT_GT(doc->m_nVertices, 0);
    auto view = MakeView(*doc, kGoldenSize);
    if (c.mode == 1) {
        view->OnViewSolid();
    } else if (c.mode == 2) {
        view->OnViewPoints();
    }
    if (c.orbit) {
        // 30 degrees to the right and 20 upward in one event.
        view->OnLButtonDown(60, 60);
        view->OnMouseMove(90, 40);
    }
    const RgbImage actual = FromImage(view->GetImage());
    const std::filesystem::path golden = std::filesystem::path(QUORVANE_GOLDEN_DIR) / (c.Name() + ".ppm");
    RgbImage expected;
    if (!std::filesystem::exists(golden)) {
        ASSERT_TRUE(WritePpm(golden, actual));
        std::cout << "[ GOLDEN   ] created " << golden.string() << '\n';
        RecordProperty("golden_created", golden.string());
        return;
    }
    ASSERT_TRUE(ReadPpm(golden, expected)) << golden;
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    if (expected.rgb != actual.rgb) {
        int differing = 0;
        const RgbImage diff = Difference(expected, actual, differing);
        const std::filesystem::path out = std::filesystem::path(QUORVANE_TEST_OUT) / "golden";
        WritePpm(out / (c.Name() + "_actual.ppm"), actual);
        WritePpm(out / (c.Name() + "_diff.ppm"), diff);
        ADD_FAILURE() << differing << " pixels differ from " << golden.string()
                      << "; actual and difference in " << out.string();
    }
}

std::vector<GoldenCase> AllCases() {
    std::vector<GoldenCase> cases;
    for (const char* file : {"cube.off", "teapot.off", "double_torus.off"}) {
        for (int mode = 0; mode < 3; ++mode) {
            for (bool orbit : {false, true}) {
                cases.push_back({file, mode, orbit});
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SampleModels, GoldenImage, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             std::string name = info.param.Name();
                             std::erase(name, '_');
                             return name;
                         });

}  // namespace
}  // namespace quorvane
