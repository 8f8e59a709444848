#include "e2e_support.h"

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poppler-document.h>
#include <poppler-embedded-file.h>
#include <poppler-page.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace e2e {

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outp = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) throw std::runtime_error("not convertible: " + text);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Line(const std::string& key, const std::string& value) {
    return ToCp932(key + "=" + value) + "\r\n";
}

}  // namespace

std::string ToCp932(const std::string& utf8) { return Convert(utf8, "CP932", "UTF-8"); }
std::string FromCp932(const std::string& cp932) { return Convert(cp932, "UTF-8", "CP932"); }

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

ProgramFolder::ProgramFolder() {
    std::string tmpl = (fs::temp_directory_path() / "quilbex-e2e-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    root_ = tmpl;
    program_ = root_ / "program";
    home_ = root_ / "home";
    fs::create_directories(program_);
    fs::create_directories(home_);
    fs::copy_file(QUILBEX_PROGRAM, program_ / "quilbex");
    fs::copy_file(QUILBEX_ENGINE, program_ / "libxdwapi.so.1");
}

ProgramFolder::~ProgramFolder() {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

void ProgramFolder::WriteSettings(const std::vector<std::pair<std::string, std::string>>& common,
                                  const std::vector<std::pair<std::string, std::string>>& file) {
    std::string ini = "[common]\r\n";
    for (const auto& [k, v] : common) ini += Line(k, v);
    ini += "[file]\r\n";
    for (const auto& [k, v] : file) ini += Line(k, v);
    WriteFile(program_ / "Quilbex.ini", ini);
}

std::unique_ptr<Started> StartProgram(const fs::path& exe, const std::vector<std::string>& args,
                                      const fs::path& home, const fs::path& scratch) {
    const fs::path outFile = scratch / "stdout.txt";
    const fs::path errFile = scratch / "stderr.txt";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string var = *e;
        for (const char* drop : {"DISPLAY=", "WAYLAND_DISPLAY=", "HOME=", "XDG_CONFIG_HOME=",
                                 "XDG_DATA_HOME=", "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR="})
            if (var.rfind(drop, 0) == 0) goto skip;
        env.push_back(var);
    skip:;
    }
    env.push_back("HOME=" + home.string());
    // The runs of one test take turns among themselves only.
    const fs::path runtime = scratch / "run";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    env.push_back("XDG_RUNTIME_DIR=" + runtime.string());

    std::vector<std::string> argv = {exe.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + exe.string());
    return std::make_unique<Started>(pid, outFile, errFile);
}

Started::Started(pid_t pid, fs::path outFile, fs::path errFile)
    : pid_(pid), outFile_(std::move(outFile)), errFile_(std::move(errFile)) {}

Started::~Started() {
    if (waited_) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
}

Result Started::Wait(int timeoutSeconds) {
    Result result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    waited_ = true;
    result.errors = ReadFile(errFile_);
    result.output = ReadFile(outFile_);
    return result;
}

std::vector<pid_t> ProcessesWith(const std::string& text) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string cmdline, stat;
        try {
            cmdline = ReadFile(entry.path() / "cmdline");
            stat = ReadFile(entry.path() / "stat");
        } catch (const std::exception&) {
            continue;  // gone meanwhile
        }
        const auto close = stat.rfind(')');
        if (close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'Z')
            continue;
        if (cmdline.find(text) != std::string::npos) found.push_back(std::stoi(name));
    }
    return found;
}

Result ProgramFolder::Run(const std::vector<std::string>& args, int timeoutSeconds) const {
    return Start(args)->Wait(timeoutSeconds);
}

std::unique_ptr<Started> ProgramFolder::Start(const std::vector<std::string>& args) const {
    return StartProgram(program_ / "quilbex", args, home_, root_);
}

std::string ProgramFolder::LogBytes() const { return ReadFile(program_ / "Quilbex.log"); }

std::vector<std::string> ProgramFolder::LogLines() const {
    const std::string bytes = LogBytes();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "last log line not ended by CR LF";
        if (end == std::string::npos) break;
        const std::string line = bytes.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "bare LF in the log";
        lines.push_back(FromCp932(line));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> PdfPageTexts(const fs::path& pdf) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf.string()));
    if (!doc) throw std::runtime_error("not a readable PDF: " + pdf.string());
    std::vector<std::string> texts;
    for (int i = 0; i < doc->pages(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        const auto utf8 = page->text().to_utf8();
        texts.emplace_back(utf8.begin(), utf8.end());
    }
    return texts;
}

std::vector<std::string> PdfAttachments(const fs::path& pdf) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf.string()));
    if (!doc) throw std::runtime_error("not a readable PDF: " + pdf.string());
    std::vector<std::string> names;
    for (poppler::embedded_file* f : doc->embedded_files()) names.push_back(f->name());
    return names;
}

std::string PdfAttachmentData(const fs::path& pdf, const std::string& name) {
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf.string()));
    if (!doc) throw std::runtime_error("not a readable PDF: " + pdf.string());
    for (poppler::embedded_file* f : doc->embedded_files())
        if (f->name() == name) {
            const auto data = f->data();
            return std::string(data.begin(), data.end());
        }
    return {};
}

void MakeTextPdf(const fs::path& path, const std::vector<std::string>& pageTexts) {
    // A small PDF written by hand: one Helvetica line per page.
    const int n = static_cast<int>(pageTexts.size());
    std::vector<std::string> objects;
    std::string kids;
    for (int i = 0; i < n; ++i) kids += std::to_string(4 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (int i = 0; i < n; ++i) {
        const std::string content = "BT /F1 24 Tf 72 700 Td (" + pageTexts[i] + ") Tj ET";
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font "
            "<< /F1 3 0 R >> >> /Contents " +
            std::to_string(5 + 2 * i) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", off);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    WriteFile(path, pdf);
}

void RunTool(const std::vector<std::string>& argv) {
    std::string command;
    for (const auto& a : argv) command += "'" + a + "' ";
    command += ">/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string DateText(const char* pattern) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, pattern, &tm);
    return buf;
}

}  // namespace e2e
