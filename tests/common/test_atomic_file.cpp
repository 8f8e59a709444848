// Files written whole or not at all, never over an existing one unless asked.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "TempDir.h"
#include "common/AtomicFile.h"

namespace quilbex::testing {
namespace {

int Write(const std::string& path, const std::string& content, AtomicFile::Mode mode) {
    AtomicFile file;
    if (const int err = file.Open(path); err != 0) return err;
    if (const int err = file.Write(content); err != 0) return err;
    return file.Commit(mode);
}

mode_t Permissions(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::size_t Entries(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

TEST(AtomicFile, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirPermissions) {
    TempDir dir;
    const mode_t old = ::umask(027);
    EXPECT_EQ(Write(dir / "new", "one", AtomicFile::Mode::kNew), 0);
    ::umask(old);
    EXPECT_EQ(ReadBytes(dir / "new"), "one");
    EXPECT_EQ(Permissions(dir / "new"), 0640u);

    ASSERT_EQ(::chmod((dir / "new").c_str(), 0604), 0);
    EXPECT_EQ(Write(dir / "new", "two", AtomicFile::Mode::kReplace), 0);
    EXPECT_EQ(ReadBytes(dir / "new"), "two");
    EXPECT_EQ(Permissions(dir / "new"), 0604u);
    EXPECT_EQ(Entries(dir.Path()), 1u);  // no temporary file stays behind
}

TEST(AtomicFile, AnExistingFileIsNeverOverwrittenByANewOne) {
    TempDir dir;
    WriteBytes(dir / "taken", "mine");
    EXPECT_EQ(Write(dir / "taken", "theirs", AtomicFile::Mode::kNew), EEXIST);
    EXPECT_EQ(ReadBytes(dir / "taken"), "mine");
    EXPECT_EQ(Entries(dir.Path()), 1u);
}

TEST(AtomicFile, AnAbandonedFileLeavesNothing) {
    TempDir dir;
    {
        AtomicFile file;
        ASSERT_EQ(file.Open(dir / "out"), 0);
        ASSERT_EQ(file.Write("half"), 0);
    }
    EXPECT_EQ(Entries(dir.Path()), 0u);
    AtomicFile missing;
    EXPECT_EQ(missing.Open(dir / "no/such/out"), ENOENT);
    EXPECT_STREQ(missing.step(), "create temporary file");
}

}  // namespace
}  // namespace quilbex::testing
