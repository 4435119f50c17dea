#include "render/face_colour.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane {

std::uint32_t FaceColour(const CTriangle& t, const CVector3D* vertices, const CVector3D& eye,
                         const CLightingSettings& lighting) {
    const CVector3D toEye = ViewFrom(t.Centroid(vertices), eye).m_toEye;
    return ColorRefToPixel(lighting.ComputeColor(t.Normal(vertices), toEye));
}

#if defined(__SSE2__)

namespace {

// A vector of each of two faces, one in each lane of every coordinate.
struct SPair {
    __m128d x;
    __m128d y;
    __m128d z;
};

SPair Load(const CVector3D& a, const CVector3D& b) {
    return {_mm_set_pd(b.x, a.x), _mm_set_pd(b.y, a.y), _mm_set_pd(b.z, a.z)};
}
SPair Both(const CVector3D& v) {
    return {_mm_set1_pd(v.x), _mm_set1_pd(v.y), _mm_set1_pd(v.z)};
}
SPair Add(const SPair& a, const SPair& b) {
    return {_mm_add_pd(a.x, b.x), _mm_add_pd(a.y, b.y), _mm_add_pd(a.z, b.z)};
}
SPair Sub(const SPair& a, const SPair& b) {
    return {_mm_sub_pd(a.x, b.x), _mm_sub_pd(a.y, b.y), _mm_sub_pd(a.z, b.z)};
}
SPair Mul(const SPair& a, __m128d s) {
    return {_mm_mul_pd(a.x, s), _mm_mul_pd(a.y, s), _mm_mul_pd(a.z, s)};
}
SPair Div(const SPair& a, __m128d s) {
    return {_mm_div_pd(a.x, s), _mm_div_pd(a.y, s), _mm_div_pd(a.z, s)};
}
// x * b.x + y * b.y + z * b.z, in that order.
__m128d Dot(const SPair& a, const SPair& b) {
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(a.x, b.x), _mm_mul_pd(a.y, b.y)), _mm_mul_pd(a.z, b.z));
}
// {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x}.
SPair Cross(const SPair& a, const SPair& b) {
    return {_mm_sub_pd(_mm_mul_pd(a.y, b.z), _mm_mul_pd(a.z, b.y)),
            _mm_sub_pd(_mm_mul_pd(a.z, b.x), _mm_mul_pd(a.x, b.z)),
            _mm_sub_pd(_mm_mul_pd(a.x, b.y), _mm_mul_pd(a.y, b.x))};
}
// The lane of `keep` where the mask is set, of `other` where it is not.
__m128d Select(__m128d mask, __m128d keep, __m128d other) {
    return _mm_or_pd(_mm_and_pd(mask, keep), _mm_andnot_pd(mask, other));
}
double Low(__m128d v) {
    return _mm_cvtsd_f64(v);
}
double High(__m128d v) {
    return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
}

}  // namespace

// The lanes run Centroid, ViewFrom, Normal and the first half of ComputeColor in their order; the
// colours are finished one at a time, as pow has no two-lane form.
void FaceColours(const CTriangle& a, const CTriangle& b, const CVector3D* vertices, const CVector3D& eye,
                 const CLightingSettings& lighting, std::uint32_t& colourA, std::uint32_t& colourB) {
    const SPair p1 = Load(vertices[a.m_nV1], vertices[b.m_nV1]);
    const SPair p2 = Load(vertices[a.m_nV2], vertices[b.m_nV2]);
    const SPair p3 = Load(vertices[a.m_nV3], vertices[b.m_nV3]);
    const SPair centroid = Div(Add(Add(p1, p2), p3), _mm_set1_pd(3.0));
    const SPair d = Sub(Both(eye), centroid);
    const SPair toEye = Div(d, _mm_sqrt_pd(Dot(d, d)));
    const SPair w = Cross(Sub(p2, p1), Sub(p3, p1));
    SPair n = Div(w, _mm_sqrt_pd(Dot(w, w)));
    // A normal that is not a number fails the test and is shaded as a back face.
    const __m128d front = _mm_cmpge_pd(Dot(n, toEye), _mm_setzero_pd());
    const SPair flipped = Mul(n, _mm_set1_pd(-1.0));
    n = {Select(front, n.x, flipped.x), Select(front, n.y, flipped.y), Select(front, n.z, flipped.z)};
    const SPair l = Both(lighting.m_lightDirection);
    const __m128d cosine = Dot(n, l);
    SPair reflected = Sub(Mul(n, _mm_mul_pd(_mm_set1_pd(2.0), cosine)), l);
    reflected = Div(reflected, _mm_sqrt_pd(Dot(reflected, reflected)));
    const __m128d h = Dot(reflected, toEye);
    const int fronts = _mm_movemask_pd(front);
    colourA = ColorRefToPixel(lighting.ColorFromAngles((fronts & 1) != 0, Low(cosine), Low(h)));
    colourB = ColorRefToPixel(lighting.ColorFromAngles((fronts & 2) != 0, High(cosine), High(h)));
}

#else

void FaceColours(const CTriangle& a, const CTriangle& b, const CVector3D* vertices, const CVector3D& eye,
                 const CLightingSettings& lighting, std::uint32_t& colourA, std::uint32_t& colourB) {
    colourA = FaceColour(a, vertices, eye, lighting);
    colourB = FaceColour(b, vertices, eye, lighting);
}

#endif

}  // namespace quorvane
