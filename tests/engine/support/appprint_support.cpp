#include "appprint_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace xdwtest {

std::string AppPrintTempPrefix() { return "quilbex-appprint-" + std::to_string(getpid()) + "-"; }

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

PhaseTrace WatchPhases(const std::function<XDW_CREATION_STATUS()>& poll,
                       std::chrono::seconds timeout, const std::function<void(int)>& onPoll) {
    PhaseTrace trace;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const XDW_CREATION_STATUS status = poll();
        if (trace.phases.empty() || trace.phases.back() != status.phase) {
            trace.phases.push_back(status.phase);
            if (status.phase == XDW_PHASE_GENERATING && !trace.sawPages) {
                trace.sawPages = true;
                trace.firstPage = status.page;
                trace.firstTotal = status.total_pages;
            }
        }
        trace.lastPage = status.page;
        trace.lastTotal = status.total_pages;
        if (onPoll) onPoll(status.phase);
        if (status.phase == XDW_PHASE_FINISHED || status.phase == XDW_PHASE_CANCELLED) break;
        if (std::chrono::steady_clock::now() > deadline) {
            trace.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return trace;
}

bool IsSuccessfulRun(const std::vector<int>& phases) {
    if (phases.empty() || phases.back() != XDW_PHASE_FINISHED) return false;
    int previous = 0;
    for (int phase : phases) {
        const bool known = (phase >= 1 && phase <= 5) || phase == XDW_PHASE_FINISHED;
        if (!known || phase < previous) return false;
        previous = phase;
    }
    return true;
}

std::string Describe(const std::vector<int>& phases) {
    std::ostringstream text;
    for (size_t i = 0; i < phases.size(); ++i) text << (i ? "," : "") << phases[i];
    return text.str();
}

std::vector<std::string> AttachmentNames(const std::string& pdf) {
    QPDF doc;
    doc.processFile(pdf.c_str());
    std::vector<std::string> names;
    for (const auto& [name, fileSpec] : QPDFEmbeddedFileDocumentHelper(doc).getEmbeddedFiles())
        names.push_back(name);
    return names;
}

std::string AttachmentBytes(const std::string& pdf, const std::string& name) {
    QPDF doc;
    doc.processFile(pdf.c_str());
    auto fileSpec = QPDFEmbeddedFileDocumentHelper(doc).getEmbeddedFile(name);
    if (!fileSpec) throw std::runtime_error("no attachment " + name);
    auto buffer = fileSpec->getEmbeddedFileStream().getStreamData(qpdf_dl_all);
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::vector<pid_t> LeftoverConversionProcesses() {
    const std::string marker = AppPrintTempPrefix();
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream cmdline(entry.path() / "cmdline");
        std::string text((std::istreambuf_iterator<char>(cmdline)),
                         std::istreambuf_iterator<char>());
        std::ifstream stat(entry.path() / "stat");
        std::string statText((std::istreambuf_iterator<char>(stat)),
                             std::istreambuf_iterator<char>());
        const auto close = statText.rfind(')');
        const bool zombie =
            close != std::string::npos && close + 2 < statText.size() && statText[close + 2] == 'Z';
        if (!zombie && text.find(marker) != std::string::npos) found.push_back(std::stoi(name));
    }
    return found;
}

std::vector<std::string> LeftoverTempFolders() {
    const std::string prefix = AppPrintTempPrefix();
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) found.push_back(entry.path().string());
    }
    return found;
}

void WriteScript(const std::string& path, const std::string& body) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "#!/bin/sh\n" << body;
    }
    chmod(path.c_str(), 0755);
}

std::string MakeOdtWithOffice(const std::string& txt, const std::string& outDir) {
    const std::string command =
        "timeout 120 soffice '-env:UserInstallation=file://" + outDir +
        "/odt-profile' --headless --norestore --nolockcheck --convert-to odt"
        " --outdir '" +
        outDir + "' '" + txt + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("LibreOffice did not make the .odt in time");
    std::filesystem::remove_all(outDir + "/odt-profile");
    const std::string odt = outDir + "/" + std::filesystem::path(txt).stem().string() + ".odt";
    if (!std::filesystem::exists(odt)) throw std::runtime_error("no .odt made from " + txt);
    return odt;
}

}  // namespace xdwtest
