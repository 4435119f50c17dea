#include "render/preview.h"

#include <cmath>

namespace quorvane {

namespace {

// One pixel is 1/128 of the unit image-plane distance from the eye.
constexpr double kPixelStep = 0.0078125;
// The pixel through which the sight line passes.
constexpr int kCentreColumn = 64;
constexpr int kCentreRow = 54;
// The eye is 2.5 from the centre of the unit sphere: |E|^2 - 1 = 5.25, 4 * 5.25 = 21.
constexpr double kDistance = 2.5;

// Shade at the sphere point `p` (its own unit normal) if it faces the eye, else black.
COLORREF ShadeIfFacing(const CLightingSettings& settings, const CVector3D& eye, const CVector3D& p) {
    const CVector3D towardsEye = eye - p;
    const CVector3D toEye = towardsEye / towardsEye.Length();
    return p.Dot(toEye) > 0.0 ? settings.ComputeColor(p, toEye) : 0;
}

}  // namespace

CViewingSpace MakePreviewCamera() {
    CViewingSpace camera;
    camera.SetAtPoint(CVector3D(0.0, 0.0, 0.0));
    camera.SetFromPoint(CVector3D(0.0, 0.0, -kDistance));
    camera.SetUpVector(CVector3D(0.0, 1.0, 0.0));
    camera.SetViewingAngle(45.0);
    return camera;
}

// Casts the ray E + t(-a, b, 1) through every pixel; rays leaving the sphere behind z = 0 are
// shaded at the entry point, the rim ring (exit in front of z = 0) at the exit point, which never
// faces this eye and so stays black.
void RenderLightingPreview(CLightingSettings& settings, const CViewingSpace& previewCamera,
                           std::uint32_t* pixels) {
    const std::uint32_t black = ColorRefToPixel(0);
    for (int i = 0; i < kPreviewWidth * kPreviewHeight; ++i) {
        pixels[i] = black;
    }
    settings.UpdateLightDirection(previewCamera);
    const CVector3D eye = previewCamera.GetFromPoint();
    for (int y = 0; y < kPreviewHeight; ++y) {
        std::uint32_t* row = pixels + y * kPreviewWidth;
        const double b = (kCentreRow - y) * kPixelStep;
        for (int x = 0; x < kPreviewWidth; ++x) {
            const double a = (x - kCentreColumn) * kPixelStep;
            const double d = a * a + b * b + 1.0;
            const double q = 25.0 - 21.0 * d;
            if (q <= 0.0) {
                continue;
            }
            const double s = std::sqrt(q);
            const double tExit = (5.0 + s) / (2.0 * d);
            const double tEntry = (5.0 - s) / (2.0 * d);
            const CVector3D exitPoint(-a * tExit, b * tExit, tExit - kDistance);
            COLORREF colour = 0;
            if (exitPoint.z > 0.0) {
                const CVector3D entryPoint(-a * tEntry, b * tEntry, tEntry - kDistance);
                colour = ShadeIfFacing(settings, eye, entryPoint);
            } else {
                colour = ShadeIfFacing(settings, eye, exitPoint);
            }
            row[x] = ColorRefToPixel(colour);
        }
    }
}

}  // namespace quorvane
