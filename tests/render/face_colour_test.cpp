#include "render/face_colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quorvane {
namespace {

// Lighting records that reach every branch of the shading: the light from any side, colours and
// factors that clamp, shininess of every kind.
std::vector<CLightingSettings> Lightings() {
    std::vector<CLightingSettings> lightings;
    lightings.emplace_back();
    CLightingSettings bright;
    bright.SetExteriorColor(RGB(250, 240, 10));
    bright.SetInteriorColor(RGB(3, 200, 255));
    bright.SetAmbientLightColor(RGB(255, 255, 255));
    bright.m_ambientFactor = 0.9;
    bright.m_diffuseFactor = 1.3;
    bright.m_specularFactor = 2.0;
    bright.m_shininess = 0.37;
    bright.SetLightDirection({0.3, -0.8, 0.5});
    lightings.push_back(bright);
    CLightingSettings dull = bright;
    dull.m_shininess = 200.0;
    dull.SetLightDirection({-0.1, 0.2, -1.0});
    lightings.push_back(dull);
    return lightings;
}

// Two triangles at once give the bits of one at a time, for random triangles, turned either way,
// degenerate ones (no normal), and an eye on a centroid (no direction).
TEST(FaceColours, MatchOneAtATimeToTheBit) {
    std::mt19937 random(31337u);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<CVector3D> vertices(90);
    for (CVector3D& v : vertices) {
        v = {unit(random), unit(random), unit(random)};
    }
    vertices[1] = vertices[0];  // a triangle with two equal corners has no normal
    vertices[3] = {0.0, 0.0, 0.0};
    vertices[4] = {3.0, 0.0, 0.0};
    vertices[5] = {0.0, 3.0, 0.0};  // its centroid is (1, 1, 0)
    std::uniform_int_distribution<int> corner(0, static_cast<int>(vertices.size()) - 1);
    std::vector<CTriangle> triangles = {CTriangle(0, 1, 2), CTriangle(3, 4, 5), CTriangle(3, 5, 4)};
    for (int k = 0; k < 400; ++k) {
        triangles.emplace_back(corner(random), corner(random), corner(random));
    }
    const CVector3D eyes[] = {{0.2, 2.5, -3.0}, {1.0, 1.0, 0.0}, {-4.0, 0.1, 0.7}};
    int backs = 0;
    for (const CLightingSettings& lighting : Lightings()) {
        for (const CVector3D& eye : eyes) {
            for (std::size_t k = 0; k + 1 < triangles.size(); ++k) {
                std::uint32_t a = 0;
                std::uint32_t b = 0;
                FaceColours(triangles[k], triangles[k + 1], vertices.data(), eye, lighting, a, b);
                const std::uint32_t expectedA = FaceColour(triangles[k], vertices.data(), eye, lighting);
                ASSERT_EQ(a, expectedA) << "triangle " << k;
                ASSERT_EQ(b, FaceColour(triangles[k + 1], vertices.data(), eye, lighting))
                    << "triangle " << k + 1;
                const CVector3D toEye = ViewFrom(triangles[k].Centroid(vertices.data()), eye).m_toEye;
                backs += triangles[k].Normal(vertices.data()).Dot(toEye) < 0.0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(backs, 100);  // back faces as well as front ones
}

}  // namespace
}  // namespace quorvane
