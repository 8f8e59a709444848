#include "RunFixture.h"

#include "common/Cp932.h"

namespace quilbex::testing {

std::tm FixedTime() {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11;
    time.tm_mday = 6;
    time.tm_hour = 17;
    time.tm_min = 45;
    time.tm_sec = 9;
    time.tm_wday = 0;
    return time;
}

void RunFixture::WriteSettings(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    WriteBytes(exeDir / "Quilbex.ini", *ToCp932(text));
}

std::string RunFixture::MakeSource(const std::string& name) {
    const std::string path = sources / name;
    WriteBytes(path, "content of " + name);
    return path;
}

ConversionRun& RunFixture::Create(std::vector<std::string> args) {
    run = std::make_unique<ConversionRun>(window, engine, std::move(args), FixedTime);
    run->FormCreate(exeDir.Path());
    return *run;
}

ConversionRun& RunFixture::Start(std::vector<std::string> args) {
    Create(std::move(args)).FormShow();
    return *run;
}

std::string RunFixture::LogBytes(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += *ToCp932(line) + "\r\n";
    return bytes;
}

}  // namespace quilbex::testing
