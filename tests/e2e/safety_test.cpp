// SPDX-License-Identifier: GPL-2.0-or-later
// The user's package is never lost or corrupted: wrong game, DATA and output
// folders, a second run into the same folder, stale links and special files,
// interruptions, closed standard descriptors, a file size limit, DATA as the
// output folder, names stored twice.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio_commands.h"
#include "package/package_reader.h"
#include "sample-game/sample_game.h"

namespace {

namespace fs = std::filesystem;
using process::Result;
using namespace gamekit;

const Bytes kEarlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
const std::string kConverting = cp932("... コンバート中です\n\n");
const std::string kFinished = cp932("終了しました.\n\n");
const std::string kOneSkipped =
    "msconv: the package was written without 1 input file, each named above\n";

process::Request conversion(const std::string& game, const std::string& out,
                            const std::string& data, const char* jobs = "1") {
    process::Request request = e2e::conversion(game, out, data, jobs);
    request.timeout_seconds = 60;
    return request;
}

// One scenario, one picture, one sprite with its mask, one DATA file; the
// output folder "out".
void make_small_game(const TempFolder& dir) {
    gamekit::Sio main;
    gamekit::sio_text(main, "Hi");
    gamekit::write_file(dir / "game/MES/MAIN.SIO", main.build());
    const Bytes picture =
        gamekit::encode_run_length_picture(gamekit::sample_picture(8, 6, 1, false));
    gamekit::write_file(dir / "game/CG/BG.MOE", picture);
    gamekit::write_file(dir / "game/CHAR/ABC_05.MOE", picture);
    gamekit::write_file(dir / "game/SHADOW/ABC_05S.SHW",
                        gamekit::encode_shadow_mask(gamekit::make_mask(8, 6, 9)));
    gamekit::write_file(dir / "DATA/NOTE.TXT", {'n'});
    fs::create_directories(dir / "out");
}

Result convert_small_game(const TempFolder& dir, const std::string& data = "") {
    return e2e::run(conversion(dir / "game", dir / "out", data.empty() ? dir / "DATA" : data));
}

bool verifies(const std::string& package) {
    return e2e::run({{AVDTOOL_EXE, "verify", package}}).status == 0;
}

std::vector<std::string> entry_names(const std::string& path) {
    return read_package(path).names();
}

void expect_no_staging_files(const std::string& out) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(out + "/tmp.dat")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(out + "/DAR297.AVD.part")));
}

// Polls until `ready` holds (true) or the process has ended (false).
bool wait_until(const process::Running& process, const std::function<bool()>& ready) {
    siginfo_t ended{};
    while (!ready()) {
        if (waitid(P_PID, process.pid, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Opens `folder` and locks it as a run does while it takes its staging file;
// a run then goes on without that lock after about a second.
int hold_folder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) flock(fd, LOCK_EX);
    return fd;
}

std::uintmax_t size_of(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

TEST(Safety, WrongGameFoldersLeaveTheEarlierPackage) {
    TempFolder dir;
    make_small_game(dir);
    gamekit::write_file(dir / "file.txt", {'x'});
    fs::create_directories(dir / "empty");
    const std::string missing = "\" does not exist or is not a folder.\n\n";
    const std::string unknown =
        "\" holds none of MES, CG, ENDING, SYSTEM, CHAR: choose the folder the game is "
        "installed in.\n\n";
    // A file is read as a disc image or archive.
    const std::string no_archive =
        "\" is neither a folder nor a disc image or archive that the converter reads (ISO 9660, "
        "ZIP, LZH, 7-Zip, cabinet): Unrecognized archive format\n\n";
    const struct {
        std::string folder;
        bool typed;  // at the prompt, not on the command line
        const std::string& message;
    } cases[] = {
        {dir / "no/such", false, missing},
        {dir / "file.txt", false, no_archive},
        {dir / "empty", false, unknown},
        {dir.path, false, unknown},  // the parent of the game folder
        {"\"" + dir / "game" + "\"", false, missing},
        {dir / "game ", false, missing},
        {"'" + dir / "game" + "'", true, missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        gamekit::write_file(dir / "out/DAR297.AVD", kEarlier);
        process::Request request = conversion(c.folder, dir / "out", dir / "DATA");
        if (c.typed) {
            request.args.pop_back();
            request.stdin_text = c.folder + "\n";
        }
        const Result r = e2e::run(request);
        EXPECT_EQ(r.status, 2);
        const std::string lead = &c.message == &no_archive ? "\"" : "The game folder \"";
        EXPECT_EQ(r.out, e2e::opening() + lead + c.folder + c.message);
        EXPECT_EQ(e2e::read_bytes(dir / "out/DAR297.AVD"), kEarlier);
        expect_no_staging_files(dir / "out");
    }
}

TEST(Safety, StaleStagingNamesAreNeverFollowed) {
    TempFolder dir;
    make_small_game(dir);
    const std::string target = dir / "target";
    const struct {
        const char* name;
        void (*make)(const std::string& target, const std::string& at);
    } cases[] = {
        {"tmp.dat", [](auto& t, auto& at) { fs::create_symlink(t, at); }},
        {"DAR297.AVD.part", [](auto& t, auto& at) { fs::create_symlink(t, at); }},
        {"DAR297.AVD", [](auto& t, auto& at) { fs::create_symlink(t, at); }},
        {"tmp.dat", [](auto& t, auto& at) { fs::create_hard_link(t, at); }},
        {"tmp.dat", [](auto&, auto& at) { mkfifo(at.c_str(), 0600); }},
        {"DAR297.AVD.part", [](auto&, auto& at) { mkfifo(at.c_str(), 0600); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gamekit::write_file(target, kEarlier);
        fs::remove(dir / "out/" + c.name);
        c.make(target, dir / "out/" + c.name);
        EXPECT_EQ(convert_small_game(dir).status, 0);
        EXPECT_EQ(e2e::read_bytes(target), kEarlier);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out/DAR297.AVD")));
        EXPECT_TRUE(verifies(dir / "out/DAR297.AVD"));
        expect_no_staging_files(dir / "out");
    }
}

// `msconv ... | head -1`: writes to the console fail, the conversion goes on.
TEST(Safety, ClosedStandardOutputDoesNotStopTheRun) {
    TempFolder dir;
    make_small_game(dir);
    process::Request request = conversion(dir / "game", dir / "out", dir / "DATA", "2");
    request.stdout_closed = true;
    const Result r = e2e::run(request);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(verifies(dir / "out/DAR297.AVD"));
}

// The run's own files never become entries, so the package does not grow;
// a user's files whose names differ from theirs only in case are imported. A
// stale staging file is removed with a line that names it.
TEST(Safety, OutputFolderAsDataFolder) {
    TempFolder dir;
    make_small_game(dir);
    for (const char* name : {"NOTE.TXT", "TMP.DAT", "dar297.avd", "Dar297.avd.PART", "tmp.dat",
                             "DAR297.AVD", "DAR297.AVD.part"})
        gamekit::write_file(dir / "out/" + name, kEarlier);
    std::vector<Bytes> packages;
    for (int run = 0; run < 2; ++run) {
        const Result r = convert_small_game(dir, dir / "out/.");  // the folder spelt anew
        ASSERT_EQ(r.status, 0);
        EXPECT_EQ(r.err, run ? ""
                             : "msconv: removed " + dir / "out/tmp.dat" +
                                   ", a staging file left by an earlier run\n");
        EXPECT_EQ(entry_names(dir / "out/DAR297.AVD"),
                  (std::vector<std::string>{"ABC_05.PDT", "BG.PDT", "DAR297.AVD", "DAR297.AVD.PART",
                                            "NOTE.TXT", "SEEN001.TXT", "TMP.DAT"}));
        packages.push_back(e2e::read_bytes(dir / "out/DAR297.AVD"));
    }
    EXPECT_EQ(packages[0], packages[1]);
}

// A file left out is named itself, and the package lacks it (status 3): a
// FIFO takes the way of a file that cannot be opened and never blocks; each
// sprite that a missing, empty or special mask costs is named with the mask
// as the reason (the mask's designed line stays); a sprite that cannot be
// read either is counted once.
TEST(Safety, FilesLeftOutAreNamedThemselves) {
    TempFolder dir;
    make_small_game(dir);
    const std::string game = dir / "game/", mask = game + "SHADOW/ABC_F0S.SHW",
                      f02 = "CHAR/ABC_F02.MOE";
    const std::string no = "********** Cannot open ",
                      mask_line = "************** Cannot open " + mask;
    const Bytes sprite = e2e::read_bytes(game + "CHAR/ABC_05.MOE"), fifo = {'|'}, empty;
    const std::string special = ": not a regular file\n",
                      missing = "cannot be read (No such file or directory)";
    const auto lost = [&](const std::string& sprite, const std::string& why) {
        return "msconv: " + game + sprite + ": not converted: its mask " + mask + " " + why + "\n";
    };
    const struct {
        std::vector<std::pair<std::string, Bytes>> files;
        std::string out, err;
    } cases[] = {
        {{{game + "MES/F.SIO", fifo}},
         no + game + "MES/F.SIO\n",
         "msconv: " + game + "MES/F.SIO" + special + kOneSkipped},
        {{{game + "CG/F.MOE", fifo}},
         no + game + "CG/F.MOE\n",
         "msconv: " + game + "CG/F.MOE" + special + kOneSkipped},
        {{{dir / "DATA/F", fifo}},
         no + dir / "DATA/F\n",
         "msconv: " + dir / "DATA/F" + special + kOneSkipped},
        {{{game + f02, sprite}, {mask, fifo}},
         mask_line,
         lost(f02, "cannot be read (not a regular file)") + kOneSkipped},
        {{{game + f02, sprite}, {mask, empty}}, mask_line, lost(f02, "is empty") + kOneSkipped},
        {{{game + f02, sprite}, {game + "CHAR/ABC_F07.MOE", sprite}},
         mask_line + mask_line,
         lost(f02, missing) + lost("CHAR/ABC_F07.MOE", missing) +
             "msconv: the package was written without 2 input files, each named above\n"},
        {{{game + f02, empty}},
         mask_line + "********** " + game + f02 + " is empty, skipped\n",
         lost(f02, missing) + kOneSkipped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        for (const auto& [path, bytes] : c.files) {
            ASSERT_TRUE(bytes == fifo ? mkfifo(path.c_str(), 0600) == 0
                                      : gamekit::write_file(path, bytes));
        }
        const Result r = convert_small_game(dir);
        EXPECT_EQ(r.signal, 0);  // SIGALRM when blocked
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.out, e2e::opening() + kConverting + c.out + kFinished);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(entry_names(dir / "out/DAR297.AVD"),
                  (std::vector<std::string>{"ABC_05.PDT", "BG.PDT", "NOTE.TXT", "SEEN001.TXT"}));
        for (const auto& [path, bytes] : c.files)
            fs::remove(path);
    }
}

TEST(Safety, NamesStoredTwiceAreKeptWithAWarning) {
    TempFolder dir;
    make_small_game(dir);
    const std::string game = dir / "game/", data = dir / "DATA/";
    for (const char* name : {"ENDING/BG.MOE", "CG/EV.MOE", "CG/ev.moe"})
        gamekit::write_file(game + name, e2e::read_bytes(game + "CG/BG.MOE"));
    for (const char* name : {"SEEN001.TXT", "LONG_NAME_OF_15A.BIN", "LONG_NAME_OF_15B.BIN"})
        gamekit::write_file(data + name, {'d'});
    const auto twice = [](const std::string& name, const std::string& a, const std::string& b) {
        return "********** Duplicate entry " + name + ": " + a + " and " + b + " (both kept)\n";
    };
    const Result r = e2e::run(conversion(dir / "game", dir / "out", dir / "DATA", "2"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out,
        e2e::opening() + kConverting + twice("EV.PDT", game + "CG/EV.MOE", game + "CG/ev.moe") +
            twice("BG.PDT", game + "CG/BG.MOE", game + "ENDING/BG.MOE") +
            twice("LONG_NAME_OF_15", data + "LONG_NAME_OF_15A.BIN", data + "LONG_NAME_OF_15B.BIN") +
            twice("SEEN001.TXT", game + "MES/MAIN.SIO", data + "SEEN001.TXT") + kFinished);
    const std::vector<std::string> names = entry_names(dir / "out/DAR297.AVD");
    for (const char* name : {"BG.PDT", "EV.PDT", "LONG_NAME_OF_15", "SEEN001.TXT"})
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 2) << name;
}

// Wrong options and package paths change nothing (status 2, the earlier
// package kept, no staging file); closed standard descriptors (also while a
// line goes to standard error) and an output folder this run cannot lock give
// a normal run's package byte for byte, no DATA folder beside the converter a
// package that verifies; a file size limit fails the write with its reason.
TEST(Safety, UnusualRunsGiveASoundPackageOrChangeNothing) {
    TempFolder dir;
    make_small_game(dir);
    gamekit::write_file(dir / "file.txt", {'x'});
    gamekit::write_file(dir / "big/NOISE", noise(8192, 1));
    fs::create_directories(dir / "bin");  // a converter with no DATA folder beside it
    fs::copy_file(MSCONV_EXE, dir / "bin/msconv");
    const std::string package = dir / "out/DAR297.AVD", opening = e2e::opening();
    const std::string empty =
        ": an empty value names no folder (leave the option out for the "
        "default)\nRun with --help for more information.\n";
    const std::string no_data = "\" does not exist or is not a folder.\n\n";
    const std::string taken = "msconv: cannot write " + package + ": it is ";
    const std::string no_package = opening + cp932("アーカイブ作成に失敗しました.\n\n");
    int held = -1;  // a lock on the output folder, held for one case
    const struct {
        std::function<void(process::Request&)> setup;
        int status;
        std::string out, err;
    } cases[] = {
        {[](auto& r) { r.args[5] = ""; }, 2, "", "--output" + empty},
        {[](auto& r) { r.args[7] = ""; }, 2, "", "--data" + empty},
        {[&](auto& r) { r.args[7] = dir / "no"; }, 2,
         opening + "The DATA folder \"" + dir / "no" + no_data, ""},
        {[&](auto& r) { r.args[7] = dir / "file.txt"; }, 2,
         opening + "\"" + dir / "file.txt" +
             "\" is neither a folder nor a disc image or archive that the converter reads (ISO "
             "9660, ZIP, LZH, 7-Zip, cabinet): Unrecognized archive format\n\n",
         ""},
        {[&](auto&) { fs::remove(package), fs::create_directory(package); }, 2, no_package,
         taken + "a folder, which the package cannot replace\n"},
        {[&](auto&) { fs::remove(package), mkfifo(package.c_str(), 0600); }, 2, no_package,
         taken + "no regular file, which the package cannot replace\n"},
        {[](auto& r) {
             r.closed_descriptors = {0, 1, 2};
         },
         0, "", ""},
        // The output folder locked by another process, so that the staging
        // file would take the lowest free number: a closed descriptor that
        // is not reopened would send the console's text into it.
        {[&](auto& r) { r.closed_descriptors = {1}, held = hold_folder(dir / "out"); }, 0, "", ""},
        {[&](auto& r) {
             r.closed_descriptors = {2}, held = hold_folder(dir / "out");
             gamekit::write_file(dir / "out/tmp.dat", kEarlier);  // a line on standard error
         },
         0, opening + kConverting + kFinished, ""},
        {[&](auto& r) {
             r.args = {dir / "bin/msconv", "--no-wait", "--output", dir / "out", dir / "game"};
         },
         0, opening + kConverting + kFinished,
         "msconv: no DATA folder at " + dir / "bin/DATA" +
             ": the package is written without DATA files\n"},
        {[&](auto& r) { r.args[7] = dir / "big", r.file_size_limit = 4096; }, 2,
         opening + kConverting + cp932("アーカイブの書き込みに失敗しました.\n\n"),
         "msconv: cannot write " + dir / "out/tmp.dat" + ": File too large\n"},
    };
    ASSERT_EQ(convert_small_game(dir).status, 0);
    const Bytes normal = e2e::read_bytes(package);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        fs::remove_all(package);
        gamekit::write_file(package, kEarlier);
        process::Request request = conversion(dir / "game", dir / "out", dir / "DATA");
        c.setup(request);
        const Result r = e2e::run(request);
        if (held >= 0) close(held), held = -1;
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        if (c.status == 0 && request.args.size() == 5) {  // no DATA folder
            EXPECT_EQ(entry_names(package).size(), 3u);
        } else if (c.status == 0) {
            EXPECT_EQ(e2e::read_bytes(package), normal);
            EXPECT_TRUE(verifies(package));
        } else if (fs::is_regular_file(fs::symlink_status(package))) {
            EXPECT_EQ(e2e::read_bytes(package), kEarlier);
        }
        expect_no_staging_files(dir / "out");
    }
}

// Ctrl-C or Ctrl-\ at the final key wait gives the terminal its echo back.
TEST(Safety, InterruptAtTheKeyWaitRestoresTheTerminal) {
    TempFolder dir;
    make_small_game(dir);
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) GTEST_SKIP();
    process::Request request = conversion(dir / "game", dir / "out", dir / "DATA");
    request.args.erase(request.args.begin() + 1);  // --no-wait
    request.stdin_path = ptsname(terminal);
    const int input = open(request.stdin_path.c_str(), O_RDWR | O_NOCTTY);
    for (int signal : {SIGINT, SIGQUIT}) {
        SCOPED_TRACE(signal);
        process::Running process = e2e::start(request);
        termios settings{};
        EXPECT_TRUE(wait_until(process, [&] {
            return tcgetattr(input, &settings) == 0 && (settings.c_lflag & ECHO) == 0;
        }));
        kill(process.pid, signal);
        EXPECT_EQ(process::wait(process).signal, signal);
        ASSERT_EQ(tcgetattr(input, &settings), 0);
        EXPECT_NE(settings.c_lflag & ECHO, 0u);
        EXPECT_TRUE(verifies(dir / "out/DAR297.AVD"));
    }
    close(input);
    close(terminal);
}

// A game whose conversion takes a good part of a second, for the tests that
// act while it runs; the output folder "out" holds an earlier package.
struct RunningConversion : ::testing::Test {
    TempFolder dir;
    void SetUp() override {
        sample_game::Options options;
        options.pictures = 3;
        sample_game::Summary summary;
        std::string error;
        ASSERT_TRUE(
            sample_game::write_sample_game(options, dir / "game", dir / "DATA", summary, error));
    }
    process::Running start(const char* jobs) {
        gamekit::write_file(package(), kEarlier);
        return e2e::start(conversion(dir / "game", dir / "out", dir / "DATA", jobs));
    }
    std::string package() const { return dir / "out/DAR297.AVD"; }
    bool staged(std::uintmax_t bytes) const { return size_of(dir / "out/tmp.dat") > bytes; }
};

TEST_F(RunningConversion, SecondRunIntoTheSameFolderIsRefused) {
    process::Running first = start("1");
    // Stopped once it has written into its staging file, which it then holds.
    ASSERT_TRUE(wait_until(first, [&] { return staged(0); }));
    kill(first.pid, SIGSTOP);
    const Bytes staging = e2e::read_bytes(dir / "out/tmp.dat");
    const Result second = e2e::run(conversion(dir / "game", dir / "out", dir / "DATA"));
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.out, e2e::opening() + "Another conversion is writing into \"" + dir / "out" +
                              "/\": this one stops and changes nothing.\n\n");
    EXPECT_EQ(e2e::read_bytes(dir / "out/tmp.dat"), staging);
    EXPECT_EQ(e2e::read_bytes(package()), kEarlier);
    kill(first.pid, SIGCONT);
    EXPECT_EQ(process::wait(first).status, 0);
    EXPECT_TRUE(verifies(package()));
    expect_no_staging_files(dir / "out");
}

TEST_F(RunningConversion, InterruptionRemovesTheStagingFilesAndKeepsTheEarlierPackage) {
    const std::function<bool()> begun = [&] { return staged(0); };
    // Partway through the pictures (the staging file ends near 110 KB).
    const std::function<bool()> grown = [&] { return staged(40000); };
    const std::function<bool()> writing_package = [&] { return e2e::exists(package() + ".part"); };
    const struct {
        int signal;
        const std::function<bool()>& point;
        const char* jobs;
    } cases[] = {
        {SIGINT, begun, "1"},  {SIGTERM, grown, "2"},          {SIGHUP, grown, "1"},
        {SIGQUIT, grown, "2"}, {SIGINT, writing_package, "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + " with " + c.jobs + " jobs");
        process::Running process = start(c.jobs);
        const bool reached = wait_until(process, c.point);
        kill(process.pid, c.signal);
        const Result r = process::wait(process);
        if (&c.point != &writing_package) {
            EXPECT_TRUE(reached);
            EXPECT_EQ(r.signal, c.signal);
            EXPECT_EQ(e2e::read_bytes(package()), kEarlier);
        } else {  // the signal may come after the rename, or after the run
            EXPECT_TRUE(r.signal == c.signal || r.status == 0);
            EXPECT_TRUE(e2e::read_bytes(package()) == kEarlier || verifies(package()));
        }
        expect_no_staging_files(dir / "out");
    }
}

}  // namespace
