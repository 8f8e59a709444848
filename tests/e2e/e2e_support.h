// A program folder of its own for each test, the program run in it without a
// display, and the files it leaves behind.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

std::string ToCp932(const std::string& utf8);
std::string FromCp932(const std::string& cp932);
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);

struct Result {
    int exitCode = -1;   // -1: did not end in time (and was killed); 128 + n: signal n
    std::string errors;  // what it wrote to standard error
    std::string output;  // what it wrote to standard output
};

// A started program that has not been waited for yet.
class Started {
public:
    Started(pid_t pid, fs::path outFile, fs::path errFile);
    ~Started();  // kills it when nobody waited
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    pid_t pid() const { return pid_; }
    Result Wait(int timeoutSeconds = 240);

private:
    pid_t pid_;
    fs::path outFile_, errFile_;
    bool waited_ = false;
};

// Starts exe with args, without a display, HOME set to home, no
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR a folder in scratch; standard output and error go to files in scratch.
std::unique_ptr<Started> StartProgram(const fs::path& exe, const std::vector<std::string>& args,
                                      const fs::path& home, const fs::path& scratch);

// Processes (not zombies) whose command line contains text.
std::vector<pid_t> ProcessesWith(const std::string& text);

class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();

    const fs::path& root() const { return root_; }        // scratch space of the test
    const fs::path& program() const { return program_; }  // quilbex, the engine, Quilbex.ini
    const fs::path& home() const { return home_; }        // $HOME of the run

    // Writes Quilbex.ini in code page 932 from "section" -> key=value lines.
    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& common,
                       const std::vector<std::pair<std::string, std::string>>& file);
    Result Run(const std::vector<std::string>& args, int timeoutSeconds = 240) const;
    std::unique_ptr<Started> Start(const std::vector<std::string>& args) const;
    // The log file's lines, decoded, with the line ends checked to be CR LF.
    std::vector<std::string> LogLines() const;
    std::string LogBytes() const;

private:
    fs::path root_, program_, home_;
};

// Text of every page of a PDF, and the names of its attached files.
std::vector<std::string> PdfPageTexts(const fs::path& pdf);
std::vector<std::string> PdfAttachments(const fs::path& pdf);
std::string PdfAttachmentData(const fs::path& pdf, const std::string& name);

// Sample inputs made with Debian's tools.
void MakeTextPdf(const fs::path& path, const std::vector<std::string>& pageTexts);
void RunTool(const std::vector<std::string>& argv);

std::string DateText(const char* pattern);  // strftime on local time now

}  // namespace e2e
