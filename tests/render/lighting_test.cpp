#include "render/lighting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvane {
namespace {

const CVector3D kTowardsViewer(0, 0, -1);

TEST(Lighting, DefaultsAreBlueOutsideRedInsideWhiteLightFromTheViewer) {
    const CLightingSettings s;
    EXPECT_EQ(s.GetLightPosition(), CVector3D(0, 0, -1));
    EXPECT_EQ(s.m_lightDirection, CVector3D(0, 0, -1));
    EXPECT_EQ(s.GetExteriorColor(), RGB(0, 0, 255));
    EXPECT_EQ(s.GetInteriorColor(), RGB(255, 0, 0));
    EXPECT_EQ(s.GetAmbientLightColor(), RGB(191, 191, 191));
    EXPECT_EQ(s.GetDirectionalLightColor(), RGB(255, 255, 255));
    EXPECT_EQ(s.GetHighlightColor(), RGB(178, 178, 178));
    EXPECT_EQ(s.m_ambientFactor, 0.4);
    EXPECT_EQ(s.m_diffuseFactor, 0.6);
    EXPECT_EQ(s.m_specularFactor, 0.7);
    EXPECT_EQ(s.m_shininess, 15.0);
}

TEST(Lighting, EachColourAccessorPairUsesItsOwnMember) {
    using Setter = void (CLightingSettings::*)(COLORREF);
    using Getter = COLORREF (CLightingSettings::*)() const;
    struct Accessor {
        Setter set;
        Getter get;
        CRealColor CLightingSettings::*member;
    };
    const Accessor accessors[] = {
        {&CLightingSettings::SetExteriorColor, &CLightingSettings::GetExteriorColor,
         &CLightingSettings::m_exteriorColor},
        {&CLightingSettings::SetInteriorColor, &CLightingSettings::GetInteriorColor,
         &CLightingSettings::m_interiorColor},
        {&CLightingSettings::SetAmbientLightColor, &CLightingSettings::GetAmbientLightColor,
         &CLightingSettings::m_ambientLightColor},
        {&CLightingSettings::SetDirectionalLightColor, &CLightingSettings::GetDirectionalLightColor,
         &CLightingSettings::m_directionalLightColor},
        {&CLightingSettings::SetHighlightColor, &CLightingSettings::GetHighlightColor,
         &CLightingSettings::m_highlightColor},
    };
    for (const Accessor& a : accessors) {
        CLightingSettings s;
        const CLightingSettings before = s;
        (s.*a.set)(RGB(33, 1, 2));
        // 33 does not survive the conversion; 1 and 2 do.
        EXPECT_EQ((s.*a.get)(), RGB(32, 1, 2));
        EXPECT_EQ(s.*a.member, ColorRefToReal(RGB(33, 1, 2)));
        for (const Accessor& other : accessors) {
            if (other.member != a.member) {
                EXPECT_EQ(s.*other.member, before.*other.member);
            }
        }
    }
}

TEST(Lighting, LightSettersNormalise) {
    CLightingSettings s;
    s.SetLightPosition(CVector3D(0, 3, 4));
    EXPECT_EQ(s.GetLightPosition(), CVector3D(0, 0.6, 0.8));
    s.SetLightDirection(CVector3D(-10, 0, 0));
    EXPECT_EQ(s.m_lightDirection, CVector3D(-1, 0, 0));
}

TEST(Lighting, LightDirectionFollowsTheCamera) {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(0, 0, 0));
    camera.SetFromPoint(CVector3D(0, 0, -2.5));
    camera.SetUpVector(CVector3D(0, 1, 0));
    CLightingSettings s;
    s.UpdateLightDirection(camera);
    // From the viewer's side: towards the eye, which is on -z.
    EXPECT_EQ(s.m_lightDirection, CVector3D(0, 0, -1));
    // The viewer's right is world -x for this camera.
    s.SetLightPosition(CVector3D(1, 0, 0));
    s.UpdateLightDirection(camera);
    EXPECT_EQ(s.m_lightDirection, CVector3D(-1, 0, 0));
    EXPECT_EQ(s.GetLightPosition(), CVector3D(1, 0, 0));
}

struct ShadeCase {
    const char* name;
    CVector3D normal;
    CVector3D toEye;
    CVector3D light;
    COLORREF expected;
};

TEST(Lighting, ComputeColorSidesAndParts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double r2 = std::sqrt(0.5);
    const ShadeCase cases[] = {
        {"front face lit head-on", kTowardsViewer, kTowardsViewer, kTowardsViewer, RGB(124, 124, 255)},
        {"back face lit head-on", CVector3D(0, 0, 1), kTowardsViewer, kTowardsViewer, RGB(255, 124, 124)},
        {"front face lit from behind", kTowardsViewer, kTowardsViewer, CVector3D(0, 0, 1), RGB(0, 0, 76)},
        {"eye in the face plane counts as front", CVector3D(1, 0, 0), kTowardsViewer, kTowardsViewer,
         RGB(0, 0, 76)},
        {"normal not a number", CVector3D(nan, nan, nan), kTowardsViewer, kTowardsViewer, RGB(76, 0, 0)},
        // d = 1/sqrt2 but the reflection points away from the eye: ambient and diffuse only.
        {"highlight facing away", kTowardsViewer, CVector3D(1, 0, -0.1) / CVector3D(1, 0, -0.1).Length(),
         CVector3D(r2, 0, -r2), RGB(0, 0, 184)},
    };
    for (const ShadeCase& c : cases) {
        CLightingSettings s;
        s.SetLightDirection(c.light);
        EXPECT_EQ(s.ComputeColor(c.normal, c.toEye), c.expected) << c.name;
    }
}

TEST(Lighting, HighlightSharpensWithShininess) {
    // Light 60 degrees off the normal, eye on the normal: d = h = 0.5.
    struct Case {
        double shininess;
        COLORREF expected;
    };
    const Case cases[] = {{1, RGB(62, 62, 215)}, {2, RGB(31, 31, 184)}, {15, RGB(0, 0, 153)}};
    for (const Case& c : cases) {
        CLightingSettings s;
        s.m_shininess = c.shininess;
        s.SetLightDirection(CVector3D(std::sqrt(0.75), 0, -0.5));
        EXPECT_EQ(s.ComputeColor(kTowardsViewer, kTowardsViewer), c.expected) << c.shininess;
    }
}

TEST(Lighting, HighlightIsNotTintedBySurface) {
    CLightingSettings s;
    s.SetExteriorColor(RGB(0, 0, 0));
    s.SetHighlightColor(RGB(255, 0, 0));
    // Only the highlight remains: 1 * 1 * 1^15 * 0.7 in red.
    EXPECT_EQ(s.ComputeColor(kTowardsViewer, kTowardsViewer), RGB(178, 0, 0));
}

TEST(Lighting, DiffuseFollowsTheDirectionalLightColour) {
    CLightingSettings s;
    s.m_specularFactor = 0;
    s.m_ambientFactor = 0;
    s.SetExteriorColor(RGB(255, 255, 255));
    s.SetDirectionalLightColor(RGB(0, 255, 51));
    // d = 1: channel = light * 0.6.
    EXPECT_EQ(s.ComputeColor(kTowardsViewer, kTowardsViewer), RGB(0, 153, 30));
}

}  // namespace
}  // namespace quorvane
