#include "print/OfficeProfile.h"

#include <filesystem>
#include <fstream>

#include "Error.h"

namespace xdw {

namespace {

// Settings of the private profile, as LibreOffice keeps user settings.
constexpr const char* kProfileSettings[][3] = {
    // Linked pictures, frames and files of a document are not loaded.
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
    {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
    // Links and external data: never updated. The two modules count
    // differently: Writer 0 never, 1 on request, 2 always; Calc 0 always,
    // 1 never, 2 on request.
    {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"},
    {"/org.openoffice.Office.Calc/Content/Update", "Link", "1"},
    // Stored results are printed; formulas (WEBSERVICE among them) are not
    // worked out again on load.
    {"/org.openoffice.Office.Calc/Formula/Load", "OOXMLRecalcMode", "1"},
    {"/org.openoffice.Office.Calc/Formula/Load", "ODFRecalcMode", "1"},
    // Every connection goes to a proxy port nothing listens on.
    {"/org.openoffice.Inet/Settings", "ooInetProxyType", "2"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyName", "127.0.0.1"},
    {"/org.openoffice.Inet/Settings", "ooInetFTPProxyPort", "9"},
    {"/org.openoffice.Inet/Settings", "ooInetNoProxy", ""},
};

}  // namespace

void WriteOfficeProfile(const std::string& profileDir) {
    const std::string user = profileDir + "/user";
    std::error_code ec;
    std::filesystem::create_directories(user, ec);
    std::ofstream out(user + "/registrymodifications.xcu", std::ios::binary | std::ios::trunc);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const auto& setting : kProfileSettings) {
        out << "<item oor:path=\"" << setting[0] << "\"><prop oor:name=\"" << setting[1]
            << "\" oor:op=\"fuse\"><value>" << setting[2] << "</value></prop></item>\n";
    }
    out << "</oor:items>\n";
    out.close();
    if (!out) throw EngineError(XDW_E_FAIL, "cannot write the LibreOffice profile");
}

}  // namespace xdw
