#include "render/face_colour.h"

#include "geometry/vector_pair.h"

namespace quorvane {

std::uint32_t FaceColour(const CTriangle& t, const CVector3D* vertices, const CVector3D& eye,
                         const CLightingSettings& lighting) {
    const CVector3D toEye = ViewFrom(t.Centroid(vertices), eye).m_toEye;
    return ColorRefToPixel(lighting.ComputeColor(t.Normal(vertices), toEye));
}

#if defined(__SSE2__)

namespace {

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
    const VectorPair p1 = LoadPair(vertices[a.m_nV1], vertices[b.m_nV1]);
    const VectorPair p2 = LoadPair(vertices[a.m_nV2], vertices[b.m_nV2]);
    const VectorPair p3 = LoadPair(vertices[a.m_nV3], vertices[b.m_nV3]);
    const VectorPair d = Sub(BothLanes(eye), CentroidPair(p1, p2, p3));
    const VectorPair toEye = Div(d, _mm_sqrt_pd(Dot(d, d)));
    const VectorPair w = Cross(Sub(p2, p1), Sub(p3, p1));
    VectorPair n = Div(w, _mm_sqrt_pd(Dot(w, w)));
    // A normal that is not a number fails the test and is shaded as a back face.
    const __m128d front = _mm_cmpge_pd(Dot(n, toEye), _mm_setzero_pd());
    const VectorPair flipped = Mul(n, _mm_set1_pd(-1.0));
    n = {Select(front, n.x, flipped.x), Select(front, n.y, flipped.y), Select(front, n.z, flipped.z)};
    const VectorPair l = BothLanes(lighting.m_lightDirection);
    const __m128d cosine = Dot(n, l);
    VectorPair reflected = Sub(Mul(n, _mm_mul_pd(_mm_set1_pd(2.0), cosine)), l);
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
