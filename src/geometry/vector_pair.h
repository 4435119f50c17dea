// Two vectors at once, one in each lane of SSE2 registers, for the kernels that must give the bits
// of CVector3D's scalar operations: each helper does, lane by lane, what the operator of the same
// name does, in the same order.
#pragma once

#if defined(__SSE2__)

#include <emmintrin.h>

#include "geometry/vector3d.h"

namespace quorvane {

// The x, y and z of two vectors, the first in the low lanes.
struct VectorPair {
    __m128d x;
    __m128d y;
    __m128d z;
};

inline VectorPair LoadPair(const CVector3D& a, const CVector3D& b) {
    return {_mm_set_pd(b.x, a.x), _mm_set_pd(b.y, a.y), _mm_set_pd(b.z, a.z)};
}
// The same vector in both lanes.
inline VectorPair BothLanes(const CVector3D& v) {
    return {_mm_set1_pd(v.x), _mm_set1_pd(v.y), _mm_set1_pd(v.z)};
}
inline VectorPair Add(const VectorPair& a, const VectorPair& b) {
    return {_mm_add_pd(a.x, b.x), _mm_add_pd(a.y, b.y), _mm_add_pd(a.z, b.z)};
}
inline VectorPair Sub(const VectorPair& a, const VectorPair& b) {
    return {_mm_sub_pd(a.x, b.x), _mm_sub_pd(a.y, b.y), _mm_sub_pd(a.z, b.z)};
}
inline VectorPair Mul(const VectorPair& a, __m128d s) {
    return {_mm_mul_pd(a.x, s), _mm_mul_pd(a.y, s), _mm_mul_pd(a.z, s)};
}
inline VectorPair Div(const VectorPair& a, __m128d s) {
    return {_mm_div_pd(a.x, s), _mm_div_pd(a.y, s), _mm_div_pd(a.z, s)};
}
// x * b.x + y * b.y + z * b.z, in that order.
inline __m128d Dot(const VectorPair& a, const VectorPair& b) {
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(a.x, b.x), _mm_mul_pd(a.y, b.y)), _mm_mul_pd(a.z, b.z));
}
// {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x}.
inline VectorPair Cross(const VectorPair& a, const VectorPair& b) {
    return {_mm_sub_pd(_mm_mul_pd(a.y, b.z), _mm_mul_pd(a.z, b.y)),
            _mm_sub_pd(_mm_mul_pd(a.z, b.x), _mm_mul_pd(a.x, b.z)),
            _mm_sub_pd(_mm_mul_pd(a.x, b.y), _mm_mul_pd(a.y, b.x))};
}
// ((p1 + p2) + p3) / 3 of each lane's triangle, as CTriangle::Centroid.
inline VectorPair CentroidPair(const VectorPair& p1, const VectorPair& p2, const VectorPair& p3) {
    return Div(Add(Add(p1, p2), p3), _mm_set1_pd(3.0));
}

}  // namespace quorvane

#endif
