// Binding the engine library at run time, and running without it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "docuworks/EngineLibrary.h"

namespace docuworks {
namespace {

void ExpectNotInstalled(Api& engine) {
    char folder[256];
    folder[0] = 'x';
    EXPECT_EQ(engine.GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, folder, sizeof folder),
              XDW_E_NOT_INSTALLED);
    EXPECT_EQ(folder[0], '\0');
    XDW_CREATE_HANDLE handle = nullptr;
    EXPECT_EQ(engine.CreateXdwFromImagePdfFile("/in/a.pdf", "/out/a.xdw"), XDW_E_NOT_INSTALLED);
    EXPECT_EQ(engine.BeginCreationFromAppFile("/in/a.doc", "/out/a.xdw", -1, &handle),
              XDW_E_NOT_INSTALLED);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(engine.CancelCreationFromAppFile(nullptr), XDW_E_NOT_INSTALLED);
    XDW_DOCUMENT_HANDLE document = nullptr;
    XDW_OPEN_MODE mode{static_cast<int32_t>(sizeof mode), 1, 1};
    EXPECT_EQ(engine.OpenDocumentHandle("/out/a.xdw", &document, mode), XDW_E_NOT_INSTALLED);
    EXPECT_EQ(engine.Finalize(), XDW_E_NOT_INSTALLED);
}

TEST(EngineLibrary, AMissingLibraryMakesEveryCallReportNotInstalled) {
    const auto engine = LoadEngineFrom({"/nonexistent/libxdwapi.so.1"});
    ExpectNotInstalled(*engine);
}

TEST(EngineLibrary, ALibraryWithoutTheCallsIsNotTaken) {
    const auto engine = LoadEngineFrom({"libm.so.6"});
    ExpectNotInstalled(*engine);
}

#ifdef QUILBEX_ENGINE_LIBRARY
TEST(EngineLibrary, TheBuiltEngineIsBoundAndAnswers) {
    if (::access(QUILBEX_ENGINE_LIBRARY, F_OK) != 0) GTEST_SKIP() << "the engine is not built";
    const auto engine = LoadEngineFrom({"/nonexistent/libxdwapi.so.1", QUILBEX_ENGINE_LIBRARY});
    char folder[256] = {};
    EXPECT_GE(engine->GetInformation(XDW_GI_DEFAULT_OUTPUT_FOLDER, folder, sizeof folder), 0);
    // A call with a bad argument gets the engine's own answer, not "not installed".
    EXPECT_EQ(engine->CreateXdwFromImagePdfFile("", ""), XDW_E_INVALID_ARG);
    EXPECT_EQ(engine->Finalize(), 0);
}
#endif

}  // namespace
}  // namespace docuworks
