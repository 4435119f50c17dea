// OFF texts shaped to hurt the distinct-edge step, each about a given number of bytes: sides
// whose vertex pairs all collided in the open-addressing table this program once used, a vertex
// shared by every triangle, one polygon over every vertex, and triangles of random vertices.
// Shared by the model tests and the load benchmark.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace quorvane::testing {

// The hash of the former edge table, keyed by (smaller << 32) + larger + 1.
inline std::uint64_t FormerEdgeHash(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return key;
}

// "OFF", the counts and `vertices` vertex lines "0 0 0".
inline std::string HostileHead(long long vertices, long long polygons) {
    std::string text = "OFF\n" + std::to_string(vertices) + " " + std::to_string(polygons) + "\n";
    text.reserve(text.size() + static_cast<std::size_t>(vertices) * 6);
    for (long long k = 0; k < vertices; ++k) {
        text += "0 0 0\n";
    }
    return text;
}

inline void AppendFace(std::string& text, std::initializer_list<long long> indices) {
    text += std::to_string(indices.size());
    for (const long long index : indices) {
        text += ' ';
        text += std::to_string(index);
    }
    text += '\n';
}

// Two-vertex polygons whose edges all fell into the first 1/512 of the former table's slots, over
// enough vertices that the former code took that table (the highest index at least four times the
// sides): every insertion probed past all earlier ones. With `ordinary`, its twin: the same counts
// and about the same bytes, each polygon joining two neighbouring vertices spread over the range.
inline std::string CollidingEdgesText(std::size_t bytes, bool ordinary = false) {
    // About 6 * 8 bytes of vertex lines and 18 of face line per polygon.
    const long long faces = static_cast<long long>(bytes / 66) + 1;
    const long long sides = 2 * faces;
    const long long vertices = 4 * sides + 1024 + faces / 8;
    std::uint64_t capacity = 1;
    while (capacity < static_cast<std::uint64_t>(sides + sides / 4 + 1)) {
        capacity <<= 1;
    }
    const std::uint64_t mask = capacity - 1;
    const std::uint64_t window = capacity / 512 + 1;
    std::string text = HostileHead(vertices, faces);
    std::mt19937_64 rng(20261207);
    for (long long f = 0; ordinary && f < faces; ++f) {
        const long long a = f * ((vertices - 2) / faces) + static_cast<long long>(rng() % 2);
        AppendFace(text, {a, a + 1 + static_cast<long long>(rng() % 2)});
    }
    for (long long f = 0; !ordinary && f < faces;) {
        const auto a = static_cast<long long>(rng() % static_cast<std::uint64_t>(vertices - 1));
        const auto b = a + 1 + static_cast<long long>(rng() % static_cast<std::uint64_t>(vertices - 1 - a));
        const std::uint64_t key = (static_cast<std::uint64_t>(a) << 32) + static_cast<std::uint64_t>(b) + 1;
        if ((FormerEdgeHash(key) & mask) < window) {
            AppendFace(text, {a, b});
            ++f;
        }
    }
    return text;
}

// Triangles that all share vertex 0: one vertex with a side to every other.
inline std::string StarText(std::size_t bytes) {
    const long long faces = static_cast<long long>(bytes / 26) + 1;
    std::string text = HostileHead(faces + 1, faces);
    for (long long f = 0; f < faces; ++f) {
        AppendFace(text, {0, f + 1, f == faces - 1 ? 1 : f + 2});
    }
    return text;
}

// One polygon over every vertex in a shuffled order, some vertices twice. With `ordinary`, its
// twin: the same indices in ascending order.
inline std::string GiantPolygonText(std::size_t bytes, bool ordinary = false) {
    const long long vertices = static_cast<long long>(bytes / 14) + 3;
    std::string text = HostileHead(vertices, 1);
    std::vector<long long> order(static_cast<std::size_t>(vertices + vertices / 8));
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<long long>(i) % vertices;
    }
    std::mt19937_64 rng(7);
    if (ordinary) {
        std::sort(order.begin(), order.end());
    } else {
        std::shuffle(order.begin(), order.end(), rng);
    }
    text += std::to_string(order.size());
    for (const long long index : order) {
        text += ' ';
        text += std::to_string(index);
    }
    return text + "\n";
}

// Triangles of vertices drawn at random from the whole range: no locality at all.
inline std::string RandomTrianglesText(std::size_t bytes) {
    const long long faces = static_cast<long long>(bytes / 30) + 1;
    const long long vertices = faces / 2 + 3;
    std::string text = HostileHead(vertices, faces);
    std::mt19937_64 rng(11);
    const auto pick = [&] { return static_cast<long long>(rng() % static_cast<std::uint64_t>(vertices)); };
    for (long long f = 0; f < faces; ++f) {
        AppendFace(text, {pick(), pick(), pick()});
    }
    return text;
}

}  // namespace quorvane::testing
