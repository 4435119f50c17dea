// The least any reader of an OFF text file must do, as a yardstick for whole-process timings: read
// the file whole and convert every number with std::from_chars into a vertex array of doubles and
// a flat index array: `quorvane_parse_floor FILE.off`. No checks beyond what the conversion needs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Skips blanks and line ends.
const char* SkipSpace(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) {
        ++p;
    }
    return p;
}

// Reads one number at p (after blanks) into `value`; p moves past it.
template <typename T>
bool Next(const char*& p, const char* end, T& value) {
    p = SkipSpace(p, end);
    const auto result = std::from_chars(p, end, value);
    p = result.ptr;
    return result.ec == std::errc();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.off\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    const std::unique_ptr<char[]> text(new char[size]);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, text.get() + got, size - got);
        if (n <= 0) {
            std::perror(argv[1]);
            return 1;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const char* p = text.get();
    const char* end = p + size;
    p = SkipSpace(p, end) + 3;  // "OFF"
    long long vertexCount = 0, faceCount = 0, edgeCount = 0;
    if (!Next(p, end, vertexCount) || !Next(p, end, faceCount) || !Next(p, end, edgeCount)) {
        std::fprintf(stderr, "%s: no counts\n", argv[1]);
        return 1;
    }
    std::vector<double> coordinates(static_cast<std::size_t>(3 * vertexCount));
    for (double& c : coordinates) {
        if (!Next(p, end, c)) {
            std::fprintf(stderr, "%s: short vertex section\n", argv[1]);
            return 1;
        }
    }
    std::vector<int> indices;
    indices.reserve(static_cast<std::size_t>(3 * faceCount));
    for (long long f = 0; f < faceCount; ++f) {
        int n = 0;
        if (!Next(p, end, n)) {
            std::fprintf(stderr, "%s: short face section\n", argv[1]);
            return 1;
        }
        for (int k = 0; k < n; ++k) {
            int index = 0;
            Next(p, end, index);
            indices.push_back(index);
        }
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < coordinates.size(); i += 4096) {
        sum += coordinates[i];
    }
    std::printf("%lld vertices, %lld faces, %zu indices, check %.6f\n", vertexCount, faceCount,
                indices.size(), sum);
    return 0;
}
