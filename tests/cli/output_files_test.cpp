// The files the command line writes: pictures that would overwrite an input, the mode of new
// pictures under concurrent renders, links, devices and pipes as outputs, and the signal
// handlers of the program.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "cli_test_support.h"

namespace quorvane::cli::test {
namespace {

RenderOptions IntoFolder(const std::vector<std::string>& files, const fs::path& folder, unsigned jobs = 1) {
    RenderOptions options;
    options.files = files;
    options.outDir = folder.string();
    options.size = 16;
    options.jobs = jobs;
    return options;
}

// ---- Pictures that would overwrite an input ----

TEST(CliRenderOverwrite, InputNamedLikeItsPictureIsRefusedAndTheOthersRendered) {
    const fs::path folder = ScratchFolder();
    const std::string cube = ReadBytes(TestModel("cube.off"));
    WriteBytes(folder / "x.png", cube);  // an OFF file with a picture's name
    for (const unsigned jobs : {1u, 2u}) {
        const RenderOptions options =
            IntoFolder({(folder / "x.png").string(), TestModel("teapot.off")}, folder, jobs);
        const RunResult result = RunCommand(RunRender, options);
        EXPECT_EQ(result.status, kExitRefused);
        EXPECT_EQ(result.err, (folder / "x.png").string() + ": not rendered: its picture " +
                                  (folder / "x.png").string() + " would be written over this input file\n");
        EXPECT_EQ(result.out, "1 rendered, 1 refused\n");
        EXPECT_EQ(ReadBytes(folder / "x.png"), cube);
        EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"teapot.png", "x.png"}));
    }
}

TEST(CliRenderOverwrite, SameFileThroughAnotherNameOrALinkIsRefused) {
    const fs::path folder = ScratchFolder();
    const std::string cube = ReadBytes(TestModel("cube.off"));
    fs::create_directories(folder / "in");
    fs::create_directories(folder / "out");
    WriteBytes(folder / "in" / "a.off", cube);
    WriteBytes(folder / "in" / "c.off", cube);
    // out/a.png is in/a.off under another name; out/b.png links to in/c.off.
    fs::create_hard_link(folder / "in" / "a.off", folder / "out" / "a.png");
    fs::create_symlink("../in/c.off", folder / "out" / "b.png");
    WriteBytes(folder / "in" / "b.off", cube);
    const std::string a = (folder / "in" / "a.off").string();
    const std::string b = (folder / "in" / "b.off").string();
    const std::string c = (folder / "in" / "c.off").string();
    // The relative spelling of the output folder does not hide the same names either.
    const RunResult result = RunCommand(RunRender, IntoFolder({a, b, c}, folder / "out" / ".." / "out", 2));
    EXPECT_EQ(result.status, kExitRefused);
    const std::string out = (folder / "out" / ".." / "out").string();
    EXPECT_EQ(Lines(result.err),
              (std::vector<std::string>{
                  a + ": not rendered: its picture " + out + "/a.png would be written over this input file",
                  b + ": not rendered: its picture " + out + "/b.png would be written over the input " + c}));
    EXPECT_EQ(result.out, "1 rendered, 2 refused\n");
    EXPECT_EQ(ReadBytes(folder / "in" / "a.off"), cube);
    EXPECT_EQ(ReadBytes(folder / "in" / "c.off"), cube);
    EXPECT_TRUE(fs::is_symlink(folder / "out" / "b.png"));
    EXPECT_EQ(FolderEntries(folder / "out"), (std::vector<std::string>{"a.png", "b.png", "c.png"}));
}

TEST(CliRenderOverwrite, SingleOutputThatIsTheInputIsRefused) {
    const fs::path folder = ScratchFolder();
    const std::string cube = ReadBytes(TestModel("cube.off"));
    WriteBytes(folder / "model.off", cube);
    RenderOptions options;
    options.files = {(folder / "model.off").string()};
    options.output = (folder / "." / "model.off").string();
    const RunResult result = RunCommand(RunRender, options);
    EXPECT_EQ(result.status, kExitRefused);
    EXPECT_EQ(result.err, (folder / "model.off").string() + ": not rendered: its picture " + options.output +
                              " would be written over this input file\n");
    EXPECT_EQ(ReadBytes(folder / "model.off"), cube);
}

TEST(CliRenderOverwrite, TwoPicturesThatAreOneFileAreAUsageError) {
    const fs::path folder = ScratchFolder();
    const fs::path cube = folder / "cube.png";
    const fs::path teapot = folder / "teapot.png";
    for (const bool hard : {true, false}) {
        fs::remove(teapot);
        WriteBytes(cube, "old");
        if (hard) {
            fs::create_hard_link(cube, teapot);
        } else {
            fs::create_symlink("cube.png", teapot);
        }
        const RunResult result =
            RunCommand(RunRender, IntoFolder({TestModel("cube.off"), TestModel("teapot.off")}, folder, 2));
        EXPECT_EQ(result.status, kExitUsage) << hard;
        EXPECT_EQ(result.err, "render: " + TestModel("cube.off") + " and " + TestModel("teapot.off") +
                                  " would both be written to one file, " + cube.string() + " and " +
                                  teapot.string() + " being links to it\n");
        EXPECT_EQ(ReadBytes(cube), "old");
    }
}

// ---- Modes of new pictures ----

// The permission bits of every file in `folder`, one per file.
std::vector<unsigned> Modes(const fs::path& folder) {
    std::vector<unsigned> modes;
    for (const auto& entry : fs::directory_iterator(folder)) {
        struct stat info {};
        EXPECT_EQ(::stat(entry.path().c_str(), &info), 0);
        modes.push_back(info.st_mode & 07777);
    }
    return modes;
}

TEST(CliRenderModes, PicturesRenderedOnManyThreadsTakeTheUmask) {
    const fs::path folder = ScratchFolder();
    std::string inputs;
    for (int i = 0; i < 12; ++i) {
        const fs::path input = folder / (std::to_string(i) + ".off");
        fs::copy_file(TestModel(i % 2 ? "cube.off" : "teapot.off"), input);
        inputs += " '" + input.string() + "'";
    }
    for (const auto& [umask, mode] :
         {std::pair{"022", 0644u}, std::pair{"077", 0600u}, std::pair{"002", 0664u}}) {
        const fs::path out = folder / ("out" + std::string(umask));
        const std::string command = std::string("umask ") + umask + " && '" + QUORVANE_BIN_DIR +
                                    "/quorvane-cli' render --size 64 -j 4 --out-dir '" + out.string() + "'" +
                                    inputs + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::vector<unsigned> modes = Modes(out);
        EXPECT_EQ(modes, std::vector<unsigned>(12, mode)) << "umask " << umask;
    }
}

// ---- Links, devices and pipes as outputs ----

RunResult Convert(const std::string& output) {
    ConvertOptions options;
    options.input = TestModel("cube.off");
    options.output = output;
    return RunCommand(RunConvert, options);
}

TEST(CliOutputKinds, LinkDeviceAndPipeKeepWhatTheyAre) {
    const fs::path folder = ScratchFolder();
    const RunResult reference = Convert((folder / "reference.off").string());
    ASSERT_EQ(reference.status, kExitOk) << reference.err;
    const std::string bytes = ReadBytes(folder / "reference.off");

    WriteBytes(folder / "target.off", "old");
    fs::create_symlink("target.off", folder / "link.off");
    EXPECT_EQ(Convert((folder / "link.off").string()).status, kExitOk);
    EXPECT_TRUE(fs::is_symlink(folder / "link.off"));
    EXPECT_EQ(ReadBytes(folder / "target.off"), bytes);

    EXPECT_EQ(Convert("/dev/null").status, kExitOk);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (fs::is_character_file("/dev/full")) {
        const RunResult full = Convert("/dev/full");
        EXPECT_EQ(full.status, kExitRefused);
        EXPECT_EQ(full.err, "/dev/full: No space left on device\n");
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }

    const fs::path pipe = folder / "pipe.off";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(pipe); });
    const RunResult piped = Convert(pipe.string());
    reader.join();
    EXPECT_EQ(piped.status, kExitOk) << piped.err;
    EXPECT_EQ(received, bytes);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(FolderEntries(folder),
              (std::vector<std::string>{"link.off", "pipe.off", "reference.off", "target.off"}));
}

TEST(CliOutputKinds, StandardOutputReachedThroughProcLinksIsWrittenDirectly) {
    // Standard output is a pipe here (to cat, whose status the shell gives).
    const RunResult result = RunBinary("convert '" + TestModel("cube.off") + "' -o /dev/stdout | cat");
    EXPECT_EQ(result.out.rfind("OFF\r\n8 6 24\r\n", 0), 0u) << result.out;
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    const RunResult empty = RunBinary("convert '" + TestModel("cube.off") + "' -o ''");
    EXPECT_EQ(empty.status, kExitRefused);
    EXPECT_EQ(empty.out, ": No such file or directory\n");
}

// ---- Signal handlers of the program ----

// Whether the caught-signal mask of a process (SigCgt in /proc/PID/status) holds `signal`.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u) != 0;
        }
    }
    return false;
}

TEST(CliBinarySignals, InterruptAndTerminateAreCaughtToRemoveTemporaryFiles) {
    const fs::path folder = ScratchFolder();
    const fs::path input = folder / "input.off";
    ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string program = quorvane::testing::ProgramFolder() + "/quorvane-cli";
        const std::string output = (folder / "out.off").string();
        ::execl(program.c_str(), program.c_str(), "convert", input.c_str(), "-o", output.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The program waits on the pipe for its input: time to look at it.
    bool caught = false;
    for (int attempt = 0; attempt < 500 && !caught; ++attempt) {
        caught = Catches(pid, SIGINT) && Catches(pid, SIGTERM);
        if (!caught) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_TRUE(caught);
    WriteBytes(input, ReadBytes(TestModel("cube.off")));
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitOk) << status;
    EXPECT_EQ(ReadBytes(folder / "out.off").rfind("OFF\r\n8 6 24\r\n", 0), 0u);
}

}  // namespace
}  // namespace quorvane::cli::test
