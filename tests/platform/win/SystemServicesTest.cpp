// The layer's services around the windows: the read-only registry, starting programs,
// loading a code library and the joined worker thread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/WorkerThread.h"
#include "platform/win/CodeLibrary.h"
#include "platform/win/Registry.h"
#include "platform/win/Shell.h"
#include "platform/win/WinStyles.h"
#include "tests/platform/core/TempDir.h"

using namespace std::chrono_literals;

namespace {

// PATH and the current directory as a test sets them, put back afterwards.
class SystemServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    oldDir = std::filesystem::current_path();
  }
  void TearDown() override {
    setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::current_path(oldDir);
  }
  void Executable(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
  }
  static UINT_PTR Code(HINSTANCE h) { return reinterpret_cast<UINT_PTR>(h); }

  TempDir dir;
  std::string oldPath;
  std::filesystem::path oldDir;
};

TEST_F(SystemServicesTest, TheRegistryIsReadOnlyAndGivesEachKeyItsDefaultValue) {
  varlo::win::SetRegistryAnswer(HKEY_LOCAL_MACHINE, "Software\\Test\\Path", [] { return std::string("/a b/c"); });
  varlo::win::SetRegistryAnswer(HKEY_LOCAL_MACHINE, "Software\\Test\\None", [] { return std::nullopt; });
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TEST\\path", 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test\\None", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Software\\Test\\Path", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TEST\\path", 0, KEY_READ, &key), ERROR_SUCCESS);
  char name[17] = "x";
  DWORD nameChars = 16, type = 0, size = 0;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &nameChars, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "");
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 7u);
  BYTE small[4];
  DWORD smallSize = sizeof(small);
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, small, &smallSize), ERROR_MORE_DATA);
  EXPECT_EQ(smallSize, 7u);
  BYTE data[7];
  nameChars = 16;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &nameChars, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "/a b/c");
  EXPECT_EQ(RegEnumValueA(key, 1, name, &nameChars, nullptr, &type, data, &size), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

  // Without the desktop's opener the web-page key does not exist.
  setenv("PATH", dir.Path().c_str(), 1);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(SystemServicesTest, ProgramsAreNeverTakenFromTheCurrentDirectory) {
  Executable(dir / "xdg-open", "exit 0\n");
  std::filesystem::current_path(dir.Path());
  for (const char* path : {"", ":", ".", "./", "/nonexistent::"}) {
    SCOPED_TRACE(path);
    setenv("PATH", path, 1);
    EXPECT_EQ(varlo::win::FindProgram("xdg-open"), "");
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", "https://a.test/", nullptr, nullptr, SW_SHOW)),
              static_cast<UINT_PTR>(SE_ERR_NOASSOC));
    EXPECT_EQ(WinExec("xdg-open https://a.test/", SW_SHOW), ERROR_FILE_NOT_FOUND);
  }
  setenv("PATH", ("/nonexistent:" + dir.Path()).c_str(), 1);
  EXPECT_EQ(varlo::win::FindProgram("xdg-open"), dir / "xdg-open");
}

TEST_F(SystemServicesTest, ShellExecuteOpensOneArgumentAndRefusesWhatTheOpenerCannotTake) {
  const std::string record = dir / "record";
  Executable(dir / "xdg-open", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record + ".tmp'\nmv '" + record +
                                   ".tmp' '" + record + "'\n");
  setenv("PATH", (dir.Path() + ":/usr/bin:/bin").c_str(), 1);
  struct Case {
    const char* verb;
    const char* file;
    const char* parameters;
    UINT_PTR result;
  };
  const Case refused[] = {
      {"print", "/tmp/a.txt", nullptr, SE_ERR_NOASSOC},
      {"open", "/tmp/a.txt", "--x", SE_ERR_NOASSOC},
      {"open", "--help", nullptr, SE_ERR_FNF},
      {"open", "", nullptr, SE_ERR_FNF},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, c.verb, c.file, c.parameters, nullptr, SW_SHOW)), c.result);
  }
  const char* mail = "mailto:a b@x.test?subject='1; touch x'&body=\"$(id)\"";
  EXPECT_GT(Code(ShellExecuteA(nullptr, "Open", mail, nullptr, nullptr, SW_SHOWNORMAL)), 32u);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  std::ifstream in(record);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, std::string("[") + mail + "]");
}

TEST_F(SystemServicesTest, CodeLibrariesLoadOnlyFromBesideTheExecutable) {
  CodeLibrary beside(VARLO_TEST_CODE_LIBRARY);
  ASSERT_TRUE(beside.IsLoaded()) << beside.Error();
  auto answer = beside.GetFunction<int (*)()>("VarloTestAnswer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(beside.GetProcAddress("Missing"), nullptr);

  // The same library under another name in the current directory, or named by a path.
  std::filesystem::copy_file(std::filesystem::path(VARLO_TEST_CODE_LIBRARY_PATH), dir / "Elsewhere.so");
  std::filesystem::current_path(dir.Path());
  for (const std::string& name : {std::string("Elsewhere.so"), std::string("./Elsewhere.so"), dir / "Elsewhere.so",
                                  std::string("../") + VARLO_TEST_CODE_LIBRARY, std::string()}) {
    SCOPED_TRACE(name);
    CodeLibrary library(name.c_str());
    EXPECT_FALSE(library.IsLoaded());
    EXPECT_EQ(library.GetProcAddress("VarloTestAnswer"), nullptr);
  }
}

TEST_F(SystemServicesTest, AWorkerThreadIsJoinedBeforeWhatItUsesGoes) {
  auto alive = std::make_unique<std::atomic<bool>>(true);
  std::atomic<bool> release{false};
  std::atomic<bool> sawAlive{false};
  {
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&] {
      while (!release) std::this_thread::yield();
      sawAlive = alive->load();
    }));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start([] {}));  // one job at a time
    release = true;
  }  // joined here, before `alive` goes
  alive.reset();
  EXPECT_TRUE(sawAlive);

  WorkerThread again;
  int runs = 0;
  ASSERT_TRUE(again.Start([&] { ++runs; }));
  again.Join();
  ASSERT_TRUE(again.Start([&] { ++runs; }));  // a finished job makes room for the next
  again.Join();
  EXPECT_EQ(runs, 2);
}

}  // namespace
