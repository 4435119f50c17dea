// The thumbnail subcommand: URIs, the transparent background, the limits on huge models, and a
// run the way the desktop's thumbnail service makes it: the entry's Exec line, no display, an
// empty home and, where the system allows a mount namespace, a root that holds only /usr.
#include <fcntl.h>
#include <png.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

// The pixels of a PNG file as R, G, B, A bytes; empty when it is no RGBA PNG of `size`.
std::vector<png_byte> ReadRgba(const fs::path& path, int size) {
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 26 || bytes[25] != 6) {  // colour type 6: RGB with alpha
        return {};
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    if (!read || image.width != static_cast<unsigned>(size) || image.height != static_cast<unsigned>(size)) {
        return {};
    }
    return pixels;
}

// The pixels of an RGB PNG file as R, G, B bytes.
std::vector<png_byte> ReadRgb(const fs::path& path) {
    const std::string bytes = ReadBytes(path);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    png_image_free(&image);
    return pixels;
}

ThumbnailOptions Thumbnail(const std::string& input, const fs::path& output, int size = 64) {
    ThumbnailOptions options;
    options.input = input;
    options.output = output.string();
    options.size = size;
    return options;
}

// ---- URIs ----

struct UriCase {
    const char* name;
    std::string text;
    bool ok;
    std::string path;
};

class CliThumbnailUri : public ::testing::TestWithParam<UriCase> {};

TEST_P(CliThumbnailUri, NamesALocalPath) {
    std::string path;
    std::string error;
    EXPECT_EQ(InputPathFromUri(GetParam().text, path, error), GetParam().ok) << error;
    if (GetParam().ok) {
        EXPECT_EQ(path, GetParam().path);
    } else {
        EXPECT_FALSE(error.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Uris, CliThumbnailUri,
                         ::testing::Values(UriCase{"PlainPath", "/data/a b.off", true, "/data/a b.off"},
                                           UriCase{"RelativePath", "models/x.off", true, "models/x.off"},
                                           UriCase{"FileUri", "file:///data/m.off", true, "/data/m.off"},
                                           UriCase{"PercentDecoded", "file:///data/a%20b%2Fc%C3%A9%25.off",
                                                   true, "/data/a b/c\xC3\xA9%.off"},
                                           UriCase{"Localhost", "file://localhost/data/m.off", true,
                                                   "/data/m.off"},
                                           UriCase{"OtherHost", "file://server/data/m.off", false, ""},
                                           UriCase{"OtherScheme", "smb://server/share/m.off", false, ""},
                                           UriCase{"ShortEscape", "file:///data/m%2", false, ""},
                                           UriCase{"BadEscape", "file:///data/m%zz.off", false, ""},
                                           UriCase{"EscapedNul", "file:///data/m%00.off", false, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The picture ----

TEST(CliThumbnail, ModelOnATransparentBackgroundExactlyAsRendered) {
    const fs::path folder = ScratchFolder();
    const RunResult result =
        RunCommand(RunThumbnail, Thumbnail(TestModel("teapot.off"), folder / "t.png", 96));
    ASSERT_EQ(result.status, kExitOk) << result.err;
    const std::vector<png_byte> rgba = ReadRgba(folder / "t.png", 96);
    ASSERT_EQ(rgba.size(), 96u * 96u * 4u);
    // The same view drawn by render on black and on white: where they agree is the model.
    RenderOptions render;
    render.files = {TestModel("teapot.off")};
    render.size = 96;
    render.output = (folder / "black.png").string();
    ASSERT_EQ(RunCommand(RunRender, render).status, kExitOk);
    render.output = (folder / "white.png").string();
    render.background = RGB(255, 255, 255);
    ASSERT_EQ(RunCommand(RunRender, render).status, kExitOk);
    const std::vector<png_byte> black = ReadRgb(folder / "black.png");
    const std::vector<png_byte> white = ReadRgb(folder / "white.png");
    std::size_t opaque = 0;
    for (std::size_t i = 0; i < 96u * 96u; ++i) {
        const bool model = std::equal(&black[3 * i], &black[3 * i + 3], &white[3 * i]);
        ASSERT_EQ(rgba[4 * i + 3], model ? 255 : 0) << i;
        if (model) {
            ++opaque;
            EXPECT_TRUE(std::equal(&black[3 * i], &black[3 * i + 3], &rgba[4 * i])) << i;
        }
    }
    EXPECT_GT(opaque, 96u * 96u / 20);
    EXPECT_LT(opaque, 96u * 96u / 2);
}

TEST(CliThumbnail, PointSetIsDrawnAsPoints) {
    const fs::path folder = ScratchFolder();
    WriteBytes(folder / "points.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n");
    ThumbnailOptions options = Thumbnail((folder / "points.off").string(), folder / "p.png", 32);
    options.load.repair = true;
    ASSERT_EQ(RunCommand(RunThumbnail, options).status, kExitOk);
    const std::vector<png_byte> rgba = ReadRgba(folder / "p.png", 32);
    ASSERT_FALSE(rgba.empty());
    std::size_t opaque = 0;
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
        opaque += rgba[i] == 255 ? 1 : 0;
    }
    EXPECT_EQ(opaque, 3u);
}

// ---- Limits and refusals ----

TEST(CliThumbnail, GivesUpPastTheTriangleOrByteLimitWritingNothing) {
    const fs::path folder = ScratchFolder();
    ThumbnailOptions options = Thumbnail(TestModel("teapot.off"), folder / "t.png");
    options.maxTriangles = 991;  // the teapot makes 992
    RunResult result = RunCommand(RunThumbnail, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err,
              TestModel("teapot.off") +
                  ": the model makes 992 triangles, more than --max-triangles 991; no thumbnail drawn\n");
    options.maxTriangles = 992;
    options.load.maxBytes = 1000;
    result = RunCommand(RunThumbnail, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_NE(result.err.find("1000"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(folder));
    options.load.maxBytes = 0;
    EXPECT_EQ(RunCommand(RunThumbnail, options).status, kExitOk);
}

TEST(CliThumbnail, RefusedInputsLeaveNoOutput) {
    const fs::path folder = ScratchFolder();
    for (const std::string& input : {TestModel("elephant.off"), (folder / "missing.off").string(),
                                     std::string("http://example.org/m.off"), std::string("file:///a%0")}) {
        const RunResult result = RunCommand(RunThumbnail, Thumbnail(input, folder / "t.png"));
        EXPECT_EQ(result.status, kExitRefused) << input;
        EXPECT_FALSE(result.err.empty()) << input;
        EXPECT_FALSE(fs::exists(folder / "t.png")) << input;
    }
}

// ---- As the thumbnail service runs it ----

// The Exec line of the installed entry with %s, %u and %o replaced, split at blanks.
std::vector<std::string> EntryCommand(const std::string& size, const std::string& uri,
                                      const std::string& output) {
    const std::string entry = ReadBytes(quorvane::testing::SourceFile("data/quorvane.thumbnailer"));
    const std::size_t start = entry.find("\nExec=");
    std::vector<std::string> words;
    if (start == std::string::npos) {
        return words;
    }
    std::istringstream line(entry.substr(start + 6, entry.find('\n', start + 1) - start - 6));
    for (std::string word; line >> word;) {
        words.push_back(word == "%s" ? size : word == "%u" ? uri : word == "%o" ? output : word);
    }
    return words;
}

// What a sandboxed child reports when the system does not allow the sandbox.
constexpr int kNoSandbox = 77;

// In a child: a fresh mount namespace whose root holds /usr (read-only), /proc, /dev, the program
// at /app/quorvane-cli, the input folder read-only at /in and the output folder at /out; then the
// command runs there with no environment but an empty HOME.
[[noreturn]] void RunSandboxed(const fs::path& root, const fs::path& in, const fs::path& out,
                               const std::vector<std::string>& command) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            ::_exit(kNoSandbox);
        }
        const auto write = [](const char* file, const std::string& text) {
            const int fd = ::open(file, O_WRONLY);
            const bool ok =
                fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
            if (fd >= 0) {
                ::close(fd);
            }
            return ok;
        };
        write("/proc/self/setgroups", "deny");
        if (!write("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !write("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            ::_exit(kNoSandbox);
        }
    }
    const auto bind = [](const std::string& from, const std::string& to, bool readOnly) {
        if (::mount(from.c_str(), to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            return false;
        }
        return !readOnly ||
               ::mount(nullptr, to.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY | MS_REC, nullptr) == 0;
    };
    const std::string r = root.string();
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", r.c_str(), "tmpfs", 0, "mode=0755") != 0) {
        ::_exit(kNoSandbox);
    }
    for (const char* folder : {"/usr", "/proc", "/dev", "/app", "/in", "/out"}) {
        ::mkdir((r + folder).c_str(), 0755);
    }
    ::close(::open((r + "/app/quorvane-cli").c_str(), O_WRONLY | O_CREAT, 0755));
    for (const char* link : {"lib", "lib64", "bin"}) {
        if (::symlink((std::string("usr/") + link).c_str(), (r + "/" + link).c_str()) != 0) {
            ::_exit(kNoSandbox);
        }
    }
    if (!bind("/usr", r + "/usr", true) || !bind("/proc", r + "/proc", false) ||
        !bind("/dev", r + "/dev", false) ||
        !bind(quorvane::testing::ProgramFolder() + "/quorvane-cli", r + "/app/quorvane-cli", true) ||
        !bind(in.string(), r + "/in", true) || !bind(out.string(), r + "/out", false) ||
        ::chroot(r.c_str()) != 0 || ::chdir("/") != 0) {
        ::_exit(kNoSandbox);
    }
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    char home[] = "HOME=";
    char* environment[] = {home, nullptr};
    ::execve("/app/quorvane-cli", argv.data(), environment);
    ::_exit(127);
}

TEST(CliThumbnailService, RunsFromTheEntryInASandboxThatSeesOnlyUsr) {
    const fs::path folder = ScratchFolder();
    fs::create_directories(folder / "in" / "a folder");
    fs::create_directories(folder / "out");
    fs::create_directories(folder / "root");
    fs::copy_file(TestModel("teapot.off"), folder / "in" / "a folder" / "tea pot.off");
    std::vector<std::string> command =
        EntryCommand("128", "file:///in/a%20folder/tea%20pot.off", "/out/thumb.png");
    ASSERT_EQ(command.size(), 6u);
    ASSERT_EQ(command[0], "quorvane-cli");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RunSandboxed(folder / "root", folder / "in", folder / "out", command);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoSandbox) {
        GTEST_SKIP() << "this system allows no mount namespace here";
    }
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadRgba(folder / "out" / "thumb.png", 128).size(), 128u * 128u * 4u);
    // Nothing but the output was written.
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "out")) {
        written.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(written, std::vector<std::string>{"thumb.png"});
    EXPECT_TRUE(fs::is_empty(folder / "root"));
}

TEST(CliThumbnailService, RunsWithoutDisplayOrHome) {
    const fs::path folder = ScratchFolder();
    const std::vector<std::string> command =
        EntryCommand("64", "file://" + TestModel("cube.off"), (folder / "cube.png").string());
    ASSERT_EQ(command.size(), 6u);
    std::string line = "env -i HOME= PATH=/usr/bin '" + std::string(QUORVANE_BIN_DIR) + "/quorvane-cli'";
    for (std::size_t i = 1; i < command.size(); ++i) {
        line += " '" + command[i] + "'";
    }
    const RunResult result = RunBinary("--version >/dev/null && " + line);
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(ReadRgba(folder / "cube.png", 64).size(), 64u * 64u * 4u);
}

}  // namespace
}  // namespace quorvane::cli::test
