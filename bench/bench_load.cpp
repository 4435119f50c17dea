// Loading and writing speed of the OFF reader and writer on generated torus meshes of about
// 100 thousand and 1 million triangles; the 1-million-triangle file with each kind of line end;
// and texts of the same size shaped to hurt the distinct-edge step.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "model/document.h"
#include "support/hostile_meshes.h"

namespace {

namespace fs = std::filesystem;

// Ring and tube resolution of a closed torus with 2 * rings * segments triangles.
struct TorusSize {
    int rings;
    int segments;
};

TorusSize SizeForTriangles(long long triangles) {
    return triangles >= 1000000 ? TorusSize{1000, 500} : TorusSize{250, 200};
}

// The OFF text of a closed torus: vertices with six decimals, each grid quad split into two
// triangles. The same arguments give the same bytes.
std::string MakeTorusText(const TorusSize& size) {
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kRingRadius = 3.0, kTubeRadius = 1.0;
    const long long vertices = static_cast<long long>(size.rings) * size.segments;
    std::string text = "OFF\n" + std::to_string(vertices) + " " + std::to_string(2 * vertices) + " 0\n";
    text.reserve(static_cast<std::size_t>(vertices) * 80);
    char line[128];
    for (int i = 0; i < size.rings; ++i) {
        const double u = kTwoPi * i / size.rings;
        for (int j = 0; j < size.segments; ++j) {
            const double v = kTwoPi * j / size.segments;
            const double r = kRingRadius + kTubeRadius * std::cos(v);
            const int n = std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", r * std::cos(u),
                                        r * std::sin(u), kTubeRadius * std::sin(v));
            text.append(line, static_cast<std::size_t>(n));
        }
    }
    for (int i = 0; i < size.rings; ++i) {
        const int i1 = (i + 1) % size.rings;
        for (int j = 0; j < size.segments; ++j) {
            const int j1 = (j + 1) % size.segments;
            const int a = i * size.segments + j, b = i1 * size.segments + j;
            const int c = i1 * size.segments + j1, d = i * size.segments + j1;
            const int n = std::snprintf(line, sizeof line, "3 %d %d %d\n3 %d %d %d\n", a, b, c, a, c, d);
            text.append(line, static_cast<std::size_t>(n));
        }
    }
    return text;
}

// The path of the generated file for `triangles`, written once (through a temporary file and a
// rename, so an interrupted run leaves no partial file).
std::string BenchFile(long long triangles) {
    const fs::path folder = QUORVANE_BENCH_DATA;
    const fs::path path = folder / ("torus_" + std::to_string(triangles) + ".off");
    std::error_code ec;
    if (fs::exists(path, ec)) {
        return path.string();
    }
    fs::create_directories(folder, ec);
    const std::string text = MakeTorusText(SizeForTriangles(triangles));
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    fs::rename(temporary, path, ec);
    return path.string();
}

// File to document, including the distinct-edge list, in one reading mode.
void LoadFromFile(benchmark::State& state, bool repair) {
    const std::string path = BenchFile(state.range(0));
    std::error_code ec;
    const auto bytes = static_cast<std::int64_t>(fs::file_size(path, ec));
    for (auto _ : state) {
        quorvane::CQuorvaneDoc doc;
        quorvane::OffError error;
        quorvane::OffRepairReport report;
        if (!doc.LoadFromFile(path, &error, quorvane::OffReadOptions{repair}, &report)) {
            state.SkipWithError(("cannot load " + path + ": " + error.reason).c_str());
            break;
        }
        benchmark::DoNotOptimize(doc.m_nUniqueEdges);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// The strict reading.
void BM_LoadFromFile(benchmark::State& state) {
    LoadFromFile(state, false);
}
BENCHMARK(BM_LoadFromFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The repairing reading of the same plain file: what it costs to look for departures.
void BM_LoadFromFileRepairing(benchmark::State& state) {
    LoadFromFile(state, true);
}
BENCHMARK(BM_LoadFromFileRepairing)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Document to OFF text as it is saved.
void BM_SaveToText(benchmark::State& state) {
    const std::string path = BenchFile(state.range(0));
    quorvane::CQuorvaneDoc doc;
    quorvane::OffError error;
    if (!doc.LoadFromFile(path, &error)) {
        state.SkipWithError(("cannot load " + path + ": " + error.reason).c_str());
        return;
    }
    std::string text;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        text.clear();
        doc.SaveToText(text);
        bytes += static_cast<std::int64_t>(text.size());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_SaveToText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The 1-million-triangle file with its LF line ends replaced, written once beside it.
const char* const kLineEndNames[] = {"lf", "crlf", "cr", "crcrlf"};
const char* const kLineEnds[] = {"\n", "\r\n", "\r", "\r\r\n"};

std::string LineEndFile(int kind) {
    const std::string lf = BenchFile(1000000);
    if (kind == 0) {
        return lf;
    }
    const fs::path path =
        fs::path(QUORVANE_BENCH_DATA) / (std::string("torus_1000000_") + kLineEndNames[kind] + ".off");
    std::error_code ec;
    if (fs::exists(path, ec)) {
        return path.string();
    }
    std::ifstream in(lf, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string converted;
    converted.reserve(text.size() * 2);
    for (const char c : text) {
        if (c == '\n') {
            converted += kLineEnds[kind];
        } else {
            converted += c;
        }
    }
    const fs::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out.write(converted.data(), static_cast<std::streamsize>(converted.size()));
    }
    fs::rename(temporary, path, ec);
    return path.string();
}

// The 1-million-triangle file read strictly from disk, with LF, CR LF, lone CR or CR CR LF line
// ends (CR CR LF keeps a CR in every line, which the strict reading refuses on the keyword line;
// it is read with repairs). The lone-CR reading is to cost at most 1.5 times the LF reading.
void BM_LoadLineEnds(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const std::string path = LineEndFile(kind);
    state.SetLabel(kLineEndNames[kind]);
    std::error_code ec;
    const auto bytes = static_cast<std::int64_t>(fs::file_size(path, ec));
    for (auto _ : state) {
        quorvane::CQuorvaneDoc doc;
        quorvane::OffError error;
        if (!doc.LoadFromFile(path, &error, quorvane::OffReadOptions{kind == 3})) {
            state.SkipWithError(("cannot load " + path + ": " + error.reason).c_str());
            break;
        }
        benchmark::DoNotOptimize(doc.m_nUniqueEdges);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_LoadLineEnds)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Texts of the size of the 1-million-triangle file: the torus itself, then the hostile shapes of
// support/hostile_meshes.h, two of them beside their ordinary twins (the same counts and bytes,
// ordinary indices). Each hostile text is to cost at most twice an ordinary one of its size.
const char* const kShapeNames[] = {"torus",
                                   "former-table collisions",
                                   "their ordinary twin",
                                   "star",
                                   "giant polygon shuffled",
                                   "giant polygon in order",
                                   "random triangles"};
constexpr int kShapes = 7;

const std::string& ShapeText(int shape) {
    static std::string texts[kShapes];
    std::string& text = texts[shape];
    if (text.empty()) {
        const std::size_t size = MakeTorusText(SizeForTriangles(1000000)).size();
        switch (shape) {
            case 0:
                text = MakeTorusText(SizeForTriangles(1000000));
                break;
            case 1:
            case 2:
                text = quorvane::testing::CollidingEdgesText(size, shape == 2);
                break;
            case 3:
                text = quorvane::testing::StarText(size);
                break;
            case 4:
            case 5:
                text = quorvane::testing::GiantPolygonText(size, shape == 5);
                break;
            default:
                text = quorvane::testing::RandomTrianglesText(size);
        }
    }
    return text;
}

// Text to document, the distinct edges included.
void BM_LoadShapes(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    const std::string& text = ShapeText(shape);
    state.SetLabel(kShapeNames[shape]);
    for (auto _ : state) {
        quorvane::CQuorvaneDoc doc;
        quorvane::OffError error;
        if (!doc.LoadFromText(text, &error)) {
            state.SkipWithError(("cannot load: " + error.ToString()).c_str());
            break;
        }
        benchmark::DoNotOptimize(doc.m_nUniqueEdges);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadShapes)->DenseRange(0, kShapes - 1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The distinct-edge step alone on the same shapes.
void BM_UniqueEdgesShapes(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    quorvane::CQuorvaneDoc doc;
    quorvane::OffError error;
    if (!doc.LoadFromText(ShapeText(shape), &error)) {
        state.SkipWithError(("cannot load: " + error.ToString()).c_str());
        return;
    }
    state.SetLabel(kShapeNames[shape]);
    for (auto _ : state) {
        doc.BuildUniqueEdges();
        benchmark::DoNotOptimize(doc.m_nUniqueEdges);
    }
    state.counters["sides"] = doc.m_nEdges;
    state.counters["vertices"] = doc.m_nVertices;
}
BENCHMARK(BM_UniqueEdgesShapes)->DenseRange(0, kShapes - 1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
