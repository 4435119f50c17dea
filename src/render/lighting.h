// The lighting record: surface, light and highlight colours, the Phong factors, the shininess and
// the single directional light, with the per-face shading formula.
#pragma once

#include "geometry/vector3d.h"
#include "render/color.h"
#include "viewing/viewing_space.h"

namespace quorvane {

class CLightingSettings {
  public:
    // Unit vector towards the light in eye coordinates (x right, y up, z into the scene).
    CVector3D m_lightPosition{0.0, 0.0, -1.0};
    // The same direction in world coordinates; refreshed by UpdateLightDirection before shading.
    CVector3D m_lightDirection{0.0, 0.0, -1.0};
    CRealColor m_exteriorColor{0.0, 0.0, 1.0};
    CRealColor m_interiorColor{1.0, 0.0, 0.0};
    CRealColor m_ambientLightColor{0.75, 0.75, 0.75};
    CRealColor m_directionalLightColor{1.0, 1.0, 1.0};
    CRealColor m_highlightColor{0.7, 0.7, 0.7};
    double m_ambientFactor = 0.4;
    double m_diffuseFactor = 0.6;
    double m_specularFactor = 0.7;
    double m_shininess = 15.0;

    void SetExteriorColor(COLORREF c) { m_exteriorColor = ColorRefToReal(c); }
    COLORREF GetExteriorColor() const { return RealToColorRef(m_exteriorColor); }
    void SetInteriorColor(COLORREF c) { m_interiorColor = ColorRefToReal(c); }
    COLORREF GetInteriorColor() const { return RealToColorRef(m_interiorColor); }
    void SetAmbientLightColor(COLORREF c) { m_ambientLightColor = ColorRefToReal(c); }
    COLORREF GetAmbientLightColor() const { return RealToColorRef(m_ambientLightColor); }
    void SetDirectionalLightColor(COLORREF c) { m_directionalLightColor = ColorRefToReal(c); }
    COLORREF GetDirectionalLightColor() const { return RealToColorRef(m_directionalLightColor); }
    void SetHighlightColor(COLORREF c) { m_highlightColor = ColorRefToReal(c); }
    COLORREF GetHighlightColor() const { return RealToColorRef(m_highlightColor); }

    // Stores v divided by its length (callers never pass a zero vector).
    void SetLightPosition(const CVector3D& v) { m_lightPosition = v / v.Length(); }
    CVector3D GetLightPosition() const { return m_lightPosition; }
    // Stores v divided by its length.
    void SetLightDirection(const CVector3D& v) { m_lightDirection = v / v.Length(); }

    // Carries the light position from the eye coordinates of `camera` into world coordinates.
    void UpdateLightDirection(const CViewingSpace& camera);

    // The colour of a face with unit normal `normal` seen along the unit vector `toEye` (from the
    // face towards the eye): ambient, then specular, then diffuse, clamped above at 1.
    COLORREF ComputeColor(const CVector3D& normal, const CVector3D& toEye) const;
    // The second half of ComputeColor: the colour of the front (exterior) or back face from the
    // cosines d to the light and h from the reflected light to the eye.
    COLORREF ColorFromAngles(bool front, double d, double h) const;
};

}  // namespace quorvane
