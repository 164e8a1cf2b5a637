#include "platform/core/CFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/core/AppDir.h"
#include "platform/core/CArchive.h"
#include "tests/platform/core/TempDir.h"

namespace {

const Bytes kOld = {'o', 'l', 'd'};

// Runs in a child process: a replacing write that fails with EFBIG.  Exits 0 when the write
// error came as a CFileException and Close() kept the previous file.
[[noreturn]] void WriteBeyondSizeLimit(const std::string& path) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{10, 10};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  CFile file;
  if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite)) std::_Exit(2);
  int code = 3;
  try {
    CArchive ar(&file, CArchive::store);
    for (DWORD i = 0; i < 100; ++i) ar << i;
    ar.Close();
  } catch (const CFileException& e) {
    code = e.m_cause == CFileException::diskFull ? 0 : 4;
  }
  if (file.Close()) code = 5;
  std::_Exit(code);
}

TEST(CFileTest, ReplacingWriteShowsOnlyAfterClose) {
  TempDir dir;
  const std::string path = dir / "data.dat";
  WriteBytes(path, kOld);
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
  file.Write("new!", 4);
  EXPECT_EQ(ReadBytes(path), kOld);
  EXPECT_EQ(file.GetLength(), 4u);
  EXPECT_TRUE(file.Close());
  EXPECT_EQ(ReadBytes(path), (Bytes{'n', 'e', 'w', '!'}));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"data.dat"});
}

TEST(CFileTest, UnfinishedWritesKeepThePreviousFile) {
  struct Case {
    const char* name;
    void (*write)(CFile& file);
    bool thenClose;  // Close() after `write`, which must report that it kept the old file
  } cases[] = {
      {"destroyed without Close", [](CFile& f) { f.Write("x", 1); }, false},
      {"archive not closed",
       [](CFile& f) {
         CArchive ar(&f, CArchive::store);
         ar << DWORD{1};
       },
       true},
      {"archive still open at Close",
       [](CFile& f) {
         auto* ar = new CArchive(&f, CArchive::store);
         *ar << DWORD{1};
         EXPECT_FALSE(f.Close());
         delete ar;
       },
       false},
      {"aborted",
       [](CFile& f) {
         f.Write("x", 1);
         f.Abort();
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir / "data.dat";
    WriteBytes(path, kOld);
    {
      CFile file;
      ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
      c.write(file);
      if (c.thenClose) {
        EXPECT_FALSE(file.Close());
      }
    }
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"data.dat"});
  }
}

TEST(CFileTest, DiskErrorDuringWriteKeepsThePreviousFile) {
  TempDir dir;
  const std::string path = dir / "data.dat";
  WriteBytes(path, kOld);
  // The file size limit makes the kernel refuse bytes past the 10th, as a full disk would.
  EXPECT_EXIT(WriteBeyondSizeLimit(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(path), kOld);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"data.dat"});
}

TEST(CFileTest, CreatedFilesTakeTheGivenPermissions) {
  TempDir dir;
  const std::string path = dir / "secret.dat";
  const mode_t saved = ::umask(022);
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite, nullptr, 0600));
  file.Write("k", 1);
  ASSERT_TRUE(file.Close());
  ASSERT_TRUE(file.Open((dir / "plain.dat").c_str(), CFile::modeCreate | CFile::modeWrite));
  ASSERT_TRUE(file.Close());
  ::umask(saved);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir / "plain.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(CFileTest, OpenFailuresAreReportedByResult) {
  TempDir dir;
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open((dir / "missing.dat").c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(dir.Path().c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
  EXPECT_FALSE(file.Open((dir / "no/such/dir.dat").c_str(), CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open("", CFile::modeRead));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(dir.Entries().empty());
}

// Runs in a child process; root gives up its rights first, since it may write anywhere.
[[noreturn]] void ReplaceReadOnlyFile(const std::string& path) {
  if (::geteuid() == 0 && ::setuid(65534) != 0) std::_Exit(2);
  CFile file;
  CFileException error;
  if (file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite, &error)) {
    file.Write("new", 3);
    file.Close();
    std::_Exit(3);
  }
  std::_Exit(error.m_cause == CFileException::accessDenied ? 0 : 4);
}

TEST(CFileTest, ReadOnlyFileIsNotReplaced) {
  TempDir dir;
  const std::string path = dir / "data.dat";
  WriteBytes(path, kOld);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);  // only the file itself forbids writing
  EXPECT_EXIT(ReplaceReadOnlyFile(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(path), kOld);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"data.dat"});
}

TEST(CFileTest, ReadsUntilTheEnd) {
  TempDir dir;
  const std::string path = dir / "in.dat";
  WriteBytes(path, {1, 2, 3, 4, 5});
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
  unsigned char buffer[8] = {};
  EXPECT_EQ(file.Read(buffer, 3), 3u);
  EXPECT_EQ(file.GetPosition(), 3u);
  EXPECT_EQ(file.Read(buffer, 8), 2u);
  EXPECT_EQ(buffer[1], 5);
  EXPECT_EQ(file.Read(buffer, 8), 0u);
  EXPECT_EQ(file.GetLength(), 5u);
  EXPECT_TRUE(file.Close());
}

TEST(AppDirTest, ExecutableDirectoryHoldsThisTestProgram) {
  const CString dir = GetExecutableDirectory();
  ASSERT_FALSE(dir.IsEmpty());
  EXPECT_EQ(dir[0], '/');
  EXPECT_EQ(dir.Right(1), "/");
  EXPECT_TRUE(Exists(std::string(dir) + "platform_core_tests"));
}

}  // namespace
