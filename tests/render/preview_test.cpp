#include "render/preview.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace quorvane {
namespace {

using Image = std::array<std::uint32_t, kPreviewWidth * kPreviewHeight>;

constexpr std::uint32_t kBlack = 0xFF000000u;

Image Render(CLightingSettings& settings) {
    Image image{};
    RenderLightingPreview(settings, MakePreviewCamera(), image.data());
    return image;
}

std::uint32_t At(const Image& image, int x, int y) {
    return image[y * kPreviewWidth + x];
}

int Blue(std::uint32_t pixel) {
    return static_cast<int>(pixel & 0xFFu);
}

TEST(Preview, CameraLooksAlongPlusZWithRightAxisTowardsMinusX) {
    const CViewingSpace camera = MakePreviewCamera();
    EXPECT_EQ(camera.GetFromPoint(), CVector3D(0, 0, -2.5));
    EXPECT_EQ(camera.GetN(), CVector3D(0, 0, 1));
    EXPECT_EQ(camera.GetU(), CVector3D(-1, 0, 0));
    EXPECT_EQ(camera.GetV(), CVector3D(0, 1, 0));
    EXPECT_EQ(camera.GetViewingAngle(), 45.0);
}

TEST(Preview, DefaultSphereCentreAndCorner) {
    CLightingSettings settings;
    const Image image = Render(settings);
    EXPECT_EQ(At(image, 64, 54), ColorRefToPixel(RGB(124, 124, 255)));
    EXPECT_EQ(At(image, 64, 54), 0xFF7C7CFFu);
    EXPECT_EQ(At(image, 0, 0), kBlack);
}

TEST(Preview, LitDiscInsideRimRingAndBackgroundBlack) {
    CLightingSettings settings;
    const Image image = Render(settings);
    int lit = 0;
    for (int y = 0; y < kPreviewHeight; ++y) {
        for (int x = 0; x < kPreviewWidth; ++x) {
            const int dx = x - 64;
            const int dy = y - 54;
            const int squared = dx * dx + dy * dy;
            // The disc where the ray leaves behind z = 0 has radius 51.2 pixels (51.2^2 = 2621.44);
            // the rim ring out to the silhouette (55.9 pixels) and everything beyond stays black.
            if (squared <= 2621) {
                EXPECT_NE(At(image, x, y), kBlack) << x << "," << y;
                ++lit;
            } else {
                EXPECT_EQ(At(image, x, y), kBlack) << x << "," << y;
            }
        }
    }
    EXPECT_GT(lit, 8000);
}

TEST(Preview, ImageRightIsTheViewersRight) {
    CLightingSettings settings;
    settings.SetLightPosition(CVector3D(1, 0, -1));
    const Image fromRight = Render(settings);
    EXPECT_DOUBLE_EQ(settings.m_lightDirection.x, -settings.GetLightPosition().x);
    EXPECT_GT(Blue(At(fromRight, 64 + 30, 54)), Blue(At(fromRight, 64 - 30, 54)));

    settings.SetLightPosition(CVector3D(0, 1, -1));
    const Image fromAbove = Render(settings);
    EXPECT_GT(Blue(At(fromAbove, 64, 54 - 30)), Blue(At(fromAbove, 64, 54 + 30)));
}

TEST(Preview, HeadOnLightGivesMirrorSymmetricSphere) {
    CLightingSettings settings;
    const Image image = Render(settings);
    for (int y = 0; y < kPreviewHeight; ++y) {
        for (int i = 1; i < 64; ++i) {
            EXPECT_EQ(At(image, 64 + i, y), At(image, 64 - i, y)) << i << "," << y;
        }
    }
    for (int j = 1; j <= 53; ++j) {
        EXPECT_EQ(At(image, 64, 54 + j), At(image, 64, 54 - j)) << j;
    }
}

TEST(Preview, OverwritesEveryPixel) {
    CLightingSettings settings;
    Image image;
    image.fill(0x12345678u);
    RenderLightingPreview(settings, MakePreviewCamera(), image.data());
    for (std::uint32_t pixel : image) {
        EXPECT_EQ(pixel & 0xFF000000u, 0xFF000000u);
    }
}

}  // namespace
}  // namespace quorvane
