#include "render/lighting.h"

#include <cmath>

namespace quorvane {

void CLightingSettings::UpdateLightDirection(const CViewingSpace& camera) {
    SetLightDirection(camera.EyeToWorld(GetLightPosition()));
}

// Phong shading of one face; the back of a face takes the interior colour and the flipped normal.
COLORREF CLightingSettings::ComputeColor(const CVector3D& normal, const CVector3D& toEye) const {
    CVector3D n = normal;
    // A normal that is not a number fails this test and is shaded as a back face.
    const bool front = n.Dot(toEye) >= 0.0;
    if (!front) {
        n = n * -1.0;
    }
    const CVector3D& l = m_lightDirection;
    const double d = n.Dot(l);
    CVector3D reflected = n * (2.0 * d) - l;
    reflected = reflected / reflected.Length();
    return ColorFromAngles(front, d, reflected.Dot(toEye));
}

COLORREF CLightingSettings::ColorFromAngles(bool front, double d, double h) const {
    const CRealColor& surface = front ? m_exteriorColor : m_interiorColor;
    CRealColor out{m_ambientLightColor.red * m_ambientFactor * surface.red,
                   m_ambientLightColor.green * m_ambientFactor * surface.green,
                   m_ambientLightColor.blue * m_ambientFactor * surface.blue};
    if (d >= 0.0) {
        if (h >= 0.0) {
            const double spec = std::pow(h, m_shininess) * m_specularFactor;
            out.red = out.red + m_highlightColor.red * m_directionalLightColor.red * spec;
            out.green = out.green + m_highlightColor.green * m_directionalLightColor.green * spec;
            out.blue = out.blue + m_highlightColor.blue * m_directionalLightColor.blue * spec;
        }
        out.red = out.red + surface.red * (d * m_diffuseFactor * m_directionalLightColor.red);
        out.green = out.green + surface.green * (d * m_diffuseFactor * m_directionalLightColor.green);
        out.blue = out.blue + surface.blue * (d * m_diffuseFactor * m_directionalLightColor.blue);
    }
    // Only an upper clamp: with inputs in range no part is negative.
    if (out.red > 1.0) {
        out.red = 1.0;
    }
    if (out.green > 1.0) {
        out.green = 1.0;
    }
    if (out.blue > 1.0) {
        out.blue = 1.0;
    }
    return RealToColorRef(out);
}

}  // namespace quorvane
