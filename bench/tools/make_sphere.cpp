// Writes the OFF text of a closed, bumpy sphere of about N triangles with six-decimal coordinates,
// the shape of a scanned model: `quorvane_make_sphere N OUT.off`. The same N gives the same bytes.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Appends `value` with six decimals.
void AppendFixed(std::string& out, double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Writes `text` to `path`, or says why not.
bool WriteAll(const char* path, const std::string& text) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TRIANGLES OUT.off\n", argv[0]);
        return 2;
    }
    const long long wanted = std::atoll(argv[1]);
    if (wanted < 8) {
        std::fprintf(stderr, "%s: at least 8 triangles\n", argv[0]);
        return 2;
    }
    // `rings` bands of latitude between the poles, `segments` vertices around each ring: two caps of
    // `segments` triangles and rings - 2 bands of 2 * segments, 2 * segments * (rings - 1) in all.
    const long long rings = std::max(2LL, std::llround(std::sqrt(static_cast<double>(wanted) / 4.0)) + 1);
    const long long segments = std::max(3LL, wanted / (2 * (rings - 1)));
    const long long vertices = segments * (rings - 1) + 2;
    const long long triangles = 2 * segments * (rings - 1);
    constexpr double kPi = 3.14159265358979;
    std::string text;
    text.reserve(static_cast<std::size_t>(vertices * 33 + triangles * 27 + 64));
    text += "OFF\n";
    AppendInt(text, vertices);
    text += ' ';
    AppendInt(text, triangles);
    text += " 0\n";
    std::uint32_t hash = 2463534242u;
    // The radius at a point: broad bumps and a fine deterministic roughness, so that triangles at
    // exactly equal distances from an eye are rare.
    const auto radius = [&](double theta, double phi) {
        hash ^= hash << 13;
        hash ^= hash >> 17;
        hash ^= hash << 5;
        return 1.0 + 0.08 * std::sin(7.0 * theta) * std::cos(5.0 * phi) + 2e-4 * (hash / 4294967296.0);
    };
    const auto vertex = [&](double theta, double phi) {
        const double r = radius(theta, phi);
        AppendFixed(text, r * std::sin(theta) * std::cos(phi));
        text += ' ';
        AppendFixed(text, r * std::sin(theta) * std::sin(phi));
        text += ' ';
        AppendFixed(text, r * std::cos(theta));
        text += '\n';
    };
    vertex(0.0, 0.0);
    for (long long i = 1; i < rings; ++i) {
        const double theta = kPi * static_cast<double>(i) / static_cast<double>(rings);
        for (long long j = 0; j < segments; ++j) {
            vertex(theta, 2.0 * kPi * static_cast<double>(j) / static_cast<double>(segments));
        }
    }
    vertex(kPi, 0.0);
    const auto face = [&](long long a, long long b, long long c) {
        text += "3 ";
        AppendInt(text, a);
        text += ' ';
        AppendInt(text, b);
        text += ' ';
        AppendInt(text, c);
        text += '\n';
    };
    const long long south = vertices - 1;
    // Ring i (1 .. rings - 1) holds vertices 1 + (i - 1) * segments .. i * segments.
    const auto at = [&](long long i, long long j) { return 1 + (i - 1) * segments + j % segments; };
    for (long long j = 0; j < segments; ++j) {
        face(0, at(1, j), at(1, j + 1));
    }
    for (long long i = 1; i + 1 < rings; ++i) {
        for (long long j = 0; j < segments; ++j) {
            face(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            face(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
    for (long long j = 0; j < segments; ++j) {
        face(south, at(rings - 1, j + 1), at(rings - 1, j));
    }
    if (!WriteAll(argv[2], text)) {
        return 1;
    }
    std::printf("%lld vertices, %lld triangles, %zu bytes\n", vertices, triangles, text.size());
    return 0;
}
