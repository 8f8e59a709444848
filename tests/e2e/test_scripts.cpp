// What scripts and file managers learn from a run: the exit status, one line
// per failure on standard error, the options, signals, and what is left
// behind afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "e2e_support.h"

using namespace e2e;

namespace {

const std::string kDone = "XDW出力完了しました。";

// A program folder whose output goes to root/out.
struct Scene {
    ProgramFolder folder;
    fs::path out = folder.root() / "out";

    using Keys = std::vector<std::pair<std::string, std::string>>;
    explicit Scene(Keys common = {}, Keys file = {}) {
        fs::create_directories(out);
        common.insert(common.begin(), {"ShowSetting", "N"});
        file.insert(file.begin(), {"SaveDir", out.string()});
        folder.WriteSettings(common, file);
    }
    fs::path Pdf(const std::string& name) const {
        const fs::path path = folder.root() / name;
        MakeTextPdf(path, {"page"});
        return path;
    }
};

bool StartsWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

// A pid that no process has any more.
pid_t DeadPid() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return pid;
}

// A text file long enough that LibreOffice prints it for several seconds.
fs::path LongText(const fs::path& dir) {
    const fs::path path = dir / "long.txt";
    std::string text;
    for (int i = 0; i < 40000; ++i) text += std::to_string(i) + " a line of a long document\n";
    WriteFile(path, text);
    return path;
}

// Waits until the application prints for the program pid; false after 60 s.
bool PrintingFor(pid_t pid) {
    const std::string mark = "quilbex-appprint-" + std::to_string(pid) + "-";
    for (int i = 0; i < 600; ++i) {
        if (!ProcessesWith(mark).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The application processes of program pid have all gone within 5 s.
bool ApplicationGone(pid_t pid) {
    const std::string mark = "quilbex-appprint-" + std::to_string(pid) + "-";
    for (int i = 0; i < 50; ++i) {
        if (ProcessesWith(mark).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::vector<fs::path> TempFoldersOf(pid_t pid) {
    std::vector<fs::path> found;
    const std::string prefix = "quilbex-appprint-" + std::to_string(pid) + "-";
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
        if (StartsWith(entry.path().filename().string(), prefix)) found.push_back(entry.path());
    return found;
}

}  // namespace

TEST(Options, HelpAndVersionNeedNoDisplayAndConvertNothing) {
    Scene scene;
    const Result help = scene.folder.Run({"--help"}, 30);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* status : {"0 ", "1 ", "2 ", "3 ", "4 ", "5 "})
        EXPECT_NE(help.output.find(std::string("  ") + status), std::string::npos) << status;
    const Result version = scene.folder.Run({"--version"}, 30);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(StartsWith(version.output, "Quilbex for DocuWorks Ver.")) << version.output;
    EXPECT_FALSE(fs::exists(scene.folder.program() / "Quilbex.log"));
}

// Names that look like options are files: Qt's own -reverse included, and
// after "--" even --help.
TEST(Options, EveryOtherArgumentIsAFileName) {
    Scene scene;
    scene.Pdf("-reverse.pdf");
    scene.Pdf("--help.pdf");
    const fs::path before = fs::current_path();
    fs::current_path(scene.folder.root());
    struct Case {
        std::vector<std::string> args;
        fs::path output;
    };
    for (const Case& c : {Case{{"-reverse.pdf"}, scene.out / "-reverse.xdw"},
                          Case{{"--", "--help.pdf"}, scene.out / "--help.xdw"}}) {
        const Result result = scene.folder.Run(c.args);
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_TRUE(fs::exists(c.output)) << c.output;
    }
    // Had Qt taken these for its options, there would be no file at all.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-reverse"}, {"-style=x"}, {"--", "--version"}}) {
        const Result result = scene.folder.Run(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(StartsWith(result.errors, "quilbex: " + args.back() + ": 変換元ファイル「"))
            << result.errors;
    }
    fs::current_path(before);
}

// The errors of the error table that a run can meet, each with status 1, the
// file named on standard error, the source kept and no document.
TEST(ExitStatus, FailuresOfTheErrorTable) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}});
    const fs::path exists = scene.Pdf("exists.pdf");
    WriteFile(scene.out / "exists.xdw", "earlier");
    const fs::path broken = scene.folder.root() / "broken.pdf";
    std::string junk(4096, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
    WriteFile(broken, junk);
    struct Case {
        fs::path source;
        std::string message;
    };
    for (const Case& c : {Case{scene.folder.root() / "gone.pdf", "変換元ファイル「"},
                          Case{exists, "同じ名前の文書「"}, Case{broken, "この種類のファイル"}}) {
        SCOPED_TRACE(c.source.filename().string());
        const Result result = scene.folder.Run({c.source.string()});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(StartsWith(result.errors, "quilbex: " + c.source.string() + ": " + c.message))
            << result.errors;
        EXPECT_EQ(fs::exists(c.source), c.source.filename() != "gone.pdf");
    }
    EXPECT_EQ(ReadFile(scene.out / "exists.xdw"), "earlier");

    // Without the engine.
    fs::remove(scene.folder.program() / "libxdwapi.so.1");
    const Result result = scene.folder.Run({exists.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(StartsWith(
        result.errors, "quilbex: " + exists.string() + ": DocuWorksがインストールされていません。"))
        << result.errors;
}

// A source without write permission is read-only: it stays, the log says so,
// and the run's status tells that the document came but the deletion did not.
TEST(ExitStatus, ReadOnlySourceIsKeptWithTheFailureLine) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}});
    const fs::path source = scene.Pdf("locked.pdf");
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Result result = scene.folder.Run({source.string()});
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.errors,
              "quilbex: " + source.string() +
                  ": 元ファイル「locked.pdf」は削除できず、残っています（読み取り専用の"
                  "ファイルです）。不要なら、ファイルのプロパティで書き込みを許可して"
                  "から削除してください。\n");
    EXPECT_TRUE(fs::exists(source));
    EXPECT_TRUE(fs::exists(scene.out / "locked.xdw"));
    const auto lines = scene.folder.LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], kDone);
    EXPECT_EQ(lines[2], "元ファイル削除失敗");
}

// Names the output folder cannot take are refused before anything is written,
// and a double quote in the source's name stays in the name.
TEST(ExitStatus, OutputNames) {
    Scene quoted({}, {{"FileName", "\"元のファイル名\"yymmdd"}});
    const fs::path source = quoted.Pdf("Report \"final\".pdf");
    EXPECT_EQ(quoted.folder.Run({source.string()}).exitCode, 0);
    EXPECT_TRUE(fs::exists(quoted.out / ("Report \"final\"" + DateText("%y%m%d") + ".xdw")));

    Scene escaping({}, {{"FileName", "../yyyy"}});
    const fs::path a = escaping.Pdf("a.pdf");
    Result result = escaping.folder.Run({a.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find("../" + DateText("%Y")), std::string::npos) << result.errors;
    EXPECT_TRUE(fs::is_empty(escaping.out));
    EXPECT_FALSE(fs::exists(escaping.folder.root() / (DateText("%Y") + ".xdw")));

    // 240 bytes of name, 12 of date and time and the extension: 256 bytes.
    Scene longName({}, {{"FileName", "\"元のファイル名\"yymmddhhnnss"}});
    const std::string stem(240, 'n');
    const fs::path source240 = longName.Pdf(stem + ".pdf");
    result = longName.folder.Run({source240.string()});
    EXPECT_EQ(result.exitCode, 1);
    // The message names the output, not the source.
    EXPECT_NE(result.errors.find(": 出力ファイル名が長すぎます: " + (longName.out / stem).string()),
              std::string::npos)
        << result.errors;
    EXPECT_TRUE(fs::is_empty(longName.out));
}

// SIGTERM while LibreOffice prints: cancelled like キャンセル, the log written,
// nothing left running or lying around, the source kept.
TEST(Signals, TermDuringApplicationPrinting) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}});
    const fs::path source = LongText(scene.folder.root());
    auto program = scene.folder.Start({source.string()});
    ASSERT_TRUE(PrintingFor(program->pid()));
    kill(program->pid(), SIGTERM);
    const Result result = program->Wait(60);
    EXPECT_EQ(result.exitCode, 4) << result.errors;
    EXPECT_TRUE(ApplicationGone(program->pid()));
    EXPECT_TRUE(TempFoldersOf(program->pid()).empty());
    EXPECT_TRUE(fs::exists(source));
    EXPECT_TRUE(fs::is_empty(scene.out));
    const auto lines = scene.folder.LogLines();
    ASSERT_GE(lines.size(), 2u);
    // Phase 7 may pass between two polls; the end is always phase 9.
    EXPECT_EQ(lines.back(), "変換を中止しました。");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kDone), 0);
}

// Waits until process pid holds SIGTERM back (from its first instruction on,
// until the handler is ready); false when that was never seen.
bool HoldsTermBack(pid_t pid) {
    for (int i = 0; i < 20000; ++i) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigBlk:", 0) == 0 &&
                (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGTERM - 1))))
                return true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

// SIGTERM at the very start of a direct conversion with deletion and OCR on:
// the conversion under way is finished, nothing further is done, and the run
// ends cancelled with its log like any later one.
TEST(Signals, TermAtTheStartOfADirectConversion) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}, {"OCR", "Y"}});
    const fs::path source = scene.Pdf("early.pdf");
    auto program = scene.folder.Start({source.string()});
    ASSERT_TRUE(HoldsTermBack(program->pid()));
    kill(program->pid(), SIGTERM);
    const Result result = program->Wait(60);
    EXPECT_EQ(result.exitCode, 4) << result.errors;
    EXPECT_TRUE(fs::exists(source));
    const auto lines = scene.folder.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "変換を中止しました。");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("ページをOCRしました。") != std::string::npos;
                            }),
              0);
}

// A signal the program was started ignoring (nohup ignores SIGHUP) stays
// ignored, also when it came while the program was starting.
TEST(Signals, HangUpIgnoredByTheStarterLeavesTheRunToItsEnd) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}});
    const fs::path source = scene.Pdf("nohup.pdf");
    const auto starters = ::signal(SIGHUP, SIG_IGN);
    auto program = scene.folder.Start({source.string()});
    ::signal(SIGHUP, starters);
    ASSERT_TRUE(HoldsTermBack(program->pid()));
    kill(program->pid(), SIGHUP);
    const Result result = program->Wait(60);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_FALSE(fs::exists(source));
}

// A run where the session gives no runtime folder leaves nothing in the
// temporary folder (Qt would leave "runtime-<user>" there).
TEST(Leftovers, NothingStaysInTheTemporaryFolder) {
    Scene scene;
    const fs::path tmp = scene.folder.root() / "tmp";
    fs::create_directories(tmp);
    const auto set = [](const char* name, const char* value) {
        const char* had = std::getenv(name);
        const std::optional<std::string> before =
            had ? std::optional<std::string>(had) : std::nullopt;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
        return before;
    };
    const auto runtime = set("XDG_RUNTIME_DIR", nullptr);
    const auto temporary = set("TMPDIR", tmp.c_str());
    const Result result = scene.folder.Run({scene.Pdf("a.pdf").string()});
    set("XDG_RUNTIME_DIR", runtime ? runtime->c_str() : nullptr);
    set("TMPDIR", temporary ? temporary->c_str() : nullptr);
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_TRUE(fs::is_empty(tmp));
}

// A PDF of scanned pages, each recognised for a while.
fs::path ScannedPdf(const fs::path& folder, int pages, int lines = 1) {
    const fs::path scan = folder / "scan.png";
    std::vector<std::string> convert = {"convert",  "-size",      "1240x1754",
                                        "xc:white", "-pointsize", "40"};
    for (int line = 0; line < lines; ++line)
        convert.insert(convert.end(), {"-draw", "text 100," + std::to_string(200 + 40 * line) +
                                                    " \"A scanned page to be read\""});
    convert.push_back(scan.string());
    RunTool(convert);
    const fs::path source = folder / "pages.pdf";
    std::vector<std::string> img2pdf = {"img2pdf"};
    img2pdf.insert(img2pdf.end(), pages, scan.string());
    img2pdf.insert(img2pdf.end(), {"-o", source.string()});
    RunTool(img2pdf);
    return source;
}

// The processor time process pid has used, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

// SIGTERM during the OCR pass, the source already deleted: the document
// stays as converted.
TEST(Signals, TermDuringTheOcrPass) {
    Scene scene(Scene::Keys{{"DelFile", "Y"}, {"OCR", "Y"}});
    const fs::path source = ScannedPdf(scene.folder.root(), 20);
    auto program = scene.folder.Start({source.string()});
    // The source goes once the document is complete, before the OCR pass.
    for (int i = 0; i < 600 && fs::exists(source); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(fs::exists(source));
    kill(program->pid(), SIGTERM);
    const Result result = program->Wait(120);
    EXPECT_EQ(result.exitCode, 4) << result.errors;
    EXPECT_TRUE(fs::exists(scene.out / "pages.xdw"));
    EXPECT_NE(result.errors.find("pages.pdf"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find("source had already been deleted"), std::string::npos)
        << result.errors;
    const auto lines = scene.folder.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "変換を中止しました。");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kDone), 1);
}

// SIGTERM while the only page is recognised: the run is cancelled as on any
// other page; the source stays, so the unfinished document is withdrawn and
// does not stand in the way of converting it again.
TEST(Signals, TermDuringTheOnlyOcrPage) {
    Scene scene(Scene::Keys{{"OCR", "Y"}});
    const fs::path source = ScannedPdf(scene.folder.root(), 1, 35);
    auto program = scene.folder.Start({source.string()});
    const fs::path output = scene.out / "pages.xdw";
    for (int i = 0; i < 6000 && !fs::exists(output); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(fs::exists(output));
    // Recognition is under way once the program has worked a while more.
    const long converted = CpuTicks(program->pid());
    for (int i = 0; i < 6000 && CpuTicks(program->pid()) < converted + sysconf(_SC_CLK_TCK) / 2;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    kill(program->pid(), SIGTERM);
    const Result result = program->Wait(120);
    EXPECT_EQ(result.exitCode, 4) << result.errors;
    EXPECT_TRUE(fs::exists(source));
    EXPECT_FALSE(fs::exists(output));
    const auto lines = scene.folder.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "1ページ処理します。"), 1) << "stopped early";
    EXPECT_EQ(lines.back(), "変換を中止しました。");
}

// SIGKILL while LibreOffice prints: LibreOffice ends with the program, and the
// next start removes what the killed one left: its temporary folder and a
// hidden partial document, but nothing of a process that is still running.
TEST(Signals, KillDuringApplicationPrintingAndTheNextStartCleansUp) {
    Scene scene;
    const fs::path source = LongText(scene.folder.root());
    auto program = scene.folder.Start({source.string()});
    ASSERT_TRUE(PrintingFor(program->pid()));
    const pid_t killed = program->pid();
    kill(killed, SIGKILL);
    EXPECT_EQ(program->Wait(30).exitCode, 128 + SIGKILL);
    EXPECT_TRUE(ApplicationGone(killed));
    EXPECT_FALSE(TempFoldersOf(killed).empty()) << "nothing to clean up";

    const fs::path partial = scene.out / (".quilbex-" + std::to_string(DeadPid()) + "-a1B2c3");
    const fs::path live = scene.out / (".quilbex-" + std::to_string(getpid()) + "-a1B2c3");
    const fs::path other = scene.out / ".quilbex-notes";
    for (const auto& path : {partial, live, other}) WriteFile(path, "partial");

    const fs::path next = scene.Pdf("next.pdf");
    EXPECT_EQ(scene.folder.Run({next.string()}).exitCode, 0);
    EXPECT_TRUE(TempFoldersOf(killed).empty());
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(scene.out / "next.xdw"));
}

// An installed program keeps its files in the user's configuration folder,
// root included, and both honour the umask; a settings file that is a FIFO is
// not read (it would block the start for ever).
TEST(SettingsPlace, InstalledProgramAndOddSettingsFiles) {
    ProgramFolder folder;
    const fs::path prefix = folder.root() / "usr";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "lib");
    fs::copy_file(folder.program() / "quilbex", prefix / "bin" / "quilbex");
    fs::copy_file(folder.program() / "libxdwapi.so.1", prefix / "lib" / "libxdwapi.so.1");
    const fs::path config = folder.home() / ".config" / "Quilbex";
    fs::create_directories(config);
    WriteFile(config / "Quilbex.ini",
              "[file]\r\nSaveDir=" + (folder.root() / "out").string() + "\r\n");

    const mode_t previous = umask(077);
    const Result result =
        StartProgram(prefix / "bin" / "quilbex", {(folder.root() / "gone.pdf").string()},
                     folder.home(), folder.root())
            ->Wait(60);
    umask(previous);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(fs::exists(prefix / "bin" / "Quilbex.log"));
    ASSERT_TRUE(fs::exists(config / "Quilbex.log"));
    EXPECT_EQ(fs::status(config / "Quilbex.log").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    fs::remove(config / "Quilbex.ini");
    ASSERT_EQ(mkfifo((config / "Quilbex.ini").c_str(), 0600), 0);
    const Result fifo =
        StartProgram(prefix / "bin" / "quilbex", {(folder.root() / "gone.pdf").string()},
                     folder.home(), folder.root())
            ->Wait(60);
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_NE(fifo.errors.find("Quilbex.ini は通常のファイルではない"), std::string::npos)
        << fifo.errors;
}

// A program folder whose name is not UTF-8 is still where its files are.
TEST(SettingsPlace, ProgramFolderNameThatIsNotUtf8) {
    ProgramFolder folder;
    const fs::path odd = folder.root() / std::string("prog\xff\xfe");
    fs::create_directories(odd);
    fs::copy_file(folder.program() / "quilbex", odd / "quilbex");
    fs::copy_file(folder.program() / "libxdwapi.so.1", odd / "libxdwapi.so.1");
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    WriteFile(odd / "Quilbex.ini", "[file]\r\nSaveDir=" + out.string() + "\r\n");
    const Result result = StartProgram(odd / "quilbex", {(folder.root() / "gone.pdf").string()},
                                       folder.home(), folder.root())
                              ->Wait(60);
    EXPECT_EQ(result.exitCode, 1);
    ASSERT_TRUE(fs::exists(odd / "Quilbex.log")) << "settings read and log written beside it";
    EXPECT_NE(ReadFile(odd / "Quilbex.log").find(ToCp932("[" + out.string() + "]")),
              std::string::npos);
}
