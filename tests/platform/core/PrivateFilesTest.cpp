// Files of the user's session that others must not read, plant or block: data files read
// only when they are regular files (a FIFO in their place must not hold the program), and
// the folder for run-time files that only this user can write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "TempDir.h"
#include "platform/core/CFile.h"
#include "platform/core/RegularFile.h"
#include "platform/core/RuntimeDir.h"

namespace {

TEST(RegularFile, OnlyRegularFilesOpenAndNothingElseBlocks) {
  TempDir dir;
  {
    std::ofstream(dir / "data") << "x";
  }
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  struct Case {
    std::string name;
    int error;  // 0: opens
  };
  const Case cases[] = {{"data", 0}, {"fifo", EINVAL}, {"folder", EISDIR}, {"missing", ENOENT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    errno = 0;
    const int fd = OpenRegularFileForReading((dir / c.name).c_str());
    if (c.error == 0) {
      ASSERT_GE(fd, 0);
      char byte = 0;
      EXPECT_EQ(::read(fd, &byte, 1), 1);  // blocking again once open
      ::close(fd);
    } else {
      EXPECT_EQ(fd, -1);
      EXPECT_EQ(errno, c.error);
    }
    CFile file;
    EXPECT_EQ(file.Open((dir / c.name).c_str(), CFile::modeRead) != FALSE, c.error == 0);
  }
  // Writing in place into a FIFO with no reader neither blocks nor succeeds.
  CFile file;
  EXPECT_FALSE(file.Open((dir / "fifo").c_str(), CFile::modeWrite));
}

class RuntimeDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("XDG_RUNTIME_DIR");
    Save("TMPDIR");
    Save("HOME");
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", tmp.Path().c_str(), 1);
    ::setenv("HOME", home.Path().c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved) {
      if (value.second) ::setenv(name.c_str(), value.first.c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  std::string OwnName() const { return tmp / ("varlo-" + std::to_string(::geteuid())); }
  std::string HomeName() const { return home / ".varlo-run"; }
  TempDir tmp, home;

 private:
  void Save(const char* name) {
    const char* v = std::getenv(name);
    m_saved.emplace_back(name, std::make_pair(std::string(v ? v : ""), v != nullptr));
  }
  std::vector<std::pair<std::string, std::pair<std::string, bool>>> m_saved;
};

TEST_F(RuntimeDirTest, SessionFolderWhenSetElseAPrivateOneMadeOnFirstUse) {
  ::setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
  EXPECT_EQ(PrivateRuntimeDirectory(), home.Path());
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(PrivateRuntimeDirectory(), OwnName());
  struct stat st {};
  ASSERT_EQ(::lstat(OwnName().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(PrivateRuntimeDirectory(), OwnName());  // found again
}

// Anyone can set the variable: a folder that others can write, or one of another user, is
// not used (another user would hold the instance lock's name there first).  A folder of
// ours that others can only read and enter is.
TEST_F(RuntimeDirTest, TheSessionFolderOnlyWhenItIsOursAloneToWrite) {
  const std::string session = home / "session";
  ASSERT_EQ(::mkdir(session.c_str(), 0700), 0);
  ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
  struct Case {
    mode_t mode;
    bool used;
  };
  for (const Case& c : {Case{01777, false}, Case{0770, false}, Case{0702, false}, Case{0755, true}, Case{0700, true}}) {
    ASSERT_EQ(::chmod(session.c_str(), c.mode), 0);
    EXPECT_EQ(PrivateRuntimeDirectory(), c.used ? session : OwnName()) << std::oct << c.mode;
  }
  const std::string link = home / "link";
  ASSERT_EQ(::symlink(session.c_str(), link.c_str()), 0);
  ::setenv("XDG_RUNTIME_DIR", link.c_str(), 1);
  EXPECT_EQ(PrivateRuntimeDirectory(), OwnName());
  ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
  EXPECT_EQ(PrivateRuntimeDirectory(), OwnName());
  if (::geteuid() != 0) GTEST_SKIP() << "a folder of another user needs root to make";
  ::setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
  ASSERT_EQ(::chown(session.c_str(), 65534, 65534), 0);
  EXPECT_EQ(PrivateRuntimeDirectory(), OwnName());
}

TEST_F(RuntimeDirTest, AFolderOthersCanWriteOrALinkIsNeverUsed) {
  // Taken first by somebody: open to all, or a link to a folder of theirs.
  ASSERT_EQ(::mkdir(OwnName().c_str(), 0700), 0);
  ASSERT_EQ(::chmod(OwnName().c_str(), 0777), 0);
  EXPECT_EQ(PrivateRuntimeDirectory(), HomeName());
  ASSERT_EQ(::rmdir(OwnName().c_str()), 0);
  ASSERT_EQ(::rmdir(HomeName().c_str()), 0);
  ASSERT_EQ(::symlink(home.Path().c_str(), OwnName().c_str()), 0);
  EXPECT_EQ(PrivateRuntimeDirectory(), HomeName());
  if (::geteuid() == 0) {
    // Owned by another user (only root can make one here).
    ASSERT_EQ(::unlink(OwnName().c_str()), 0);
    ASSERT_EQ(::mkdir(OwnName().c_str(), 0700), 0);
    ASSERT_EQ(::chown(OwnName().c_str(), 65534, 65534), 0);
    EXPECT_EQ(PrivateRuntimeDirectory(), HomeName());
  }
}

}  // namespace
