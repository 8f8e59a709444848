#include "pdf/OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFWriter.hh>

#include "Error.h"
#include "common/AtomicFile.h"
#include "common/UserFolders.h"
#include "pdf/DocInfo.h"

namespace xdw {

namespace {

thread_local int32_t g_writeFailure = 0;

// The folder part of a path ("." for a bare name) and the last component.
struct PathParts {
    std::string folder;
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {std::string("."), path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

// Writes straight to the file; a failed write keeps its errno so the caller
// learns "disk full" rather than a generic failure.
class FilePipeline : public Pipeline {
public:
    FilePipeline(quilbex::AtomicFile& file, const std::string& target)
        : Pipeline("output file", nullptr), file_(file), target_(target) {}

    void write(unsigned char const* data, size_t len) override {
        const int err = file_.Write({reinterpret_cast<const char*>(data), len});
        if (err != 0) ThrowErrno(XDW_REASON_OUTPUT_WRITE, target_, err, "write");
    }
    void finish() override {}

private:
    quilbex::AtomicFile& file_;
    std::string target_;
};

bool IsDocumentsFolder(const std::string& folder) {
    const std::string home = quilbex::HomeFolder();
    if (home.empty()) return false;
    const std::string documents = quilbex::DocumentsFolder(home);
    return !documents.empty() && folder == documents;
}

}  // namespace

void NoteWriteFailure(int32_t code) {
    if (g_writeFailure == 0) g_writeFailure = code;
}

void CheckTargetFree(const std::string& target) {
    if (target.empty() || target.back() == '/') throw EngineError(XDW_E_INVALID_NAME, "no name");
    const auto [folder, name] = SplitPath(target);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0)
        Bad(Concern{XDW_REASON_OUTPUT_EXISTS, target, EEXIST, {}}, "target exists");
    if (errno != ENOENT) ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, errno, "target");
    if (name == "." || name == "..") throw EngineError(XDW_E_INVALID_NAME, "no name");
    // The documents folder is made when the first document goes there, and
    // only then.
    if (::stat(folder.c_str(), &st) != 0 && errno == ENOENT && IsDocumentsFolder(folder)) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, error.value(), "documents folder");
    }
    if (::stat(folder.c_str(), &st) != 0)
        ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, errno, "target folder");
    if (!S_ISDIR(st.st_mode))
        ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, ENOTDIR, "target folder");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, errno, "target folder");
}

void CommitPdf(QPDF& pdf, const std::string& target, bool replace) {
    const auto [folder, name] = SplitPath(target);
    if (name.empty() || name == "." || name == "..")
        throw EngineError(XDW_E_INVALID_NAME, "no name");
    if (!replace) {
        CheckTargetFree(target);
        StampNewDocument(pdf);
    }

    // The writer fills in /Size only where the trailer already has the key;
    // a recovered damaged file may lack it, and readers need it.
    QPDFObjectHandle trailer = pdf.getTrailer();
    if (trailer.isDictionary() && !trailer.hasKey("/Size"))
        trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(0));

    quilbex::AtomicFile file;
    if (const int err = file.Open(target); err != 0)
        ThrowErrno(XDW_REASON_OUTPUT_FOLDER, folder, err, file.step());
    g_writeFailure = 0;
    try {
        FilePipeline out(file, target);
        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&out);
        // Streams are copied as they are stored; only new, uncompressed ones
        // get compressed.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.write();
    } catch (const EngineError&) {
        throw;
    } catch (...) {
        // The writer wraps what stream providers throw; recover their code.
        if (g_writeFailure != 0) throw EngineError(g_writeFailure, "stream data");
        throw;
    }
    if (g_writeFailure != 0) throw EngineError(g_writeFailure, "stream data");
    // A replaced document keeps its permissions; a new one gets the usual
    // ones rather than a temporary file's owner-only mode.
    const auto mode =
        replace ? quilbex::AtomicFile::Mode::kReplace : quilbex::AtomicFile::Mode::kNew;
    if (const int err = file.Commit(mode); err != 0) {
        // Another file may have taken the name while this one was written.
        ThrowErrno(err == EEXIST ? XDW_REASON_OUTPUT_EXISTS : XDW_REASON_OUTPUT_WRITE, target, err,
                   file.step());
    }
}

void CommitBytes(const std::string& data, const std::string& target, bool replace) {
    if (!replace) CheckTargetFree(target);
    quilbex::AtomicFile file;
    if (const int err = file.Open(target); err != 0)
        ThrowErrno(XDW_REASON_OUTPUT_FOLDER, SplitPath(target).folder, err, file.step());
    if (const int err = file.Write(data); err != 0)
        ThrowErrno(XDW_REASON_OUTPUT_WRITE, target, err, "write");
    const auto mode =
        replace ? quilbex::AtomicFile::Mode::kReplace : quilbex::AtomicFile::Mode::kNew;
    if (const int err = file.Commit(mode); err != 0)
        ThrowErrno(err == EEXIST ? XDW_REASON_OUTPUT_EXISTS : XDW_REASON_OUTPUT_WRITE, target, err,
                   file.step());
}

}  // namespace xdw
