// Start-up in a folder of its own: the cached page files of an earlier run go, everything
// else in "tmp" stays.

#include "app/startup_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ordertable {
namespace {

namespace fs = std::filesystem;

// Runs each test in a fresh current directory, as the program runs in the user's folder.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest() : previous_(fs::current_path()) {
    static int count = 0;
    folder_ =
        fs::temp_directory_path() / ("ordertable-startup-" + std::to_string(GetCurrentProcessId()) +
                                     "-" + std::to_string(++count));
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  ~StartupTest() override {
    fs::current_path(previous_);
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder_, ignored)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(folder_, ignored);
  }

  static void Touch(const std::string& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    std::ofstream("tmp\\" + name) << name;
    SetFileAttributesA(("tmp\\" + name).c_str(), attributes);
  }
  static bool Exists(const std::string& name) { return fs::exists("tmp\\" + name); }

  fs::path previous_;
  fs::path folder_;
};

TEST_F(StartupTest, CreatesTheCacheFolder) {
  PrepareCacheFolder();
  EXPECT_TRUE(fs::is_directory("tmp"));
}

TEST_F(StartupTest, DeletesOnlyOrdinaryHtmlFiles) {
  fs::create_directory("tmp");
  fs::create_directory("tmp\\folder.html");
  Touch("AE_orders_01.html");
  Touch("AE_orders_12.html");
  Touch("Upper Case.HTML");
  Touch("read only.html", FILE_ATTRIBUTE_READONLY);
  Touch("hidden.html", FILE_ATTRIBUTE_HIDDEN);
  Touch("system.html", FILE_ATTRIBUTE_SYSTEM);
  Touch("notes.txt");
  Touch("page.htm");
  Touch("page.html.bak");

  PrepareCacheFolder();

  EXPECT_FALSE(Exists("AE_orders_01.html"));
  EXPECT_FALSE(Exists("AE_orders_12.html"));
  EXPECT_FALSE(Exists("Upper Case.HTML"));
  EXPECT_FALSE(Exists("read only.html")) << "a read-only page would be counted by the build";
  EXPECT_TRUE(Exists("hidden.html"));
  EXPECT_TRUE(Exists("system.html"));
  EXPECT_TRUE(fs::is_directory("tmp\\folder.html"));
  EXPECT_TRUE(Exists("notes.txt"));
  EXPECT_TRUE(Exists("page.htm"));
  EXPECT_TRUE(Exists("page.html.bak"));
}

TEST_F(StartupTest, ATmpFileInsteadOfAFolderIsNoError) {
  std::ofstream("tmp") << "a file where the folder should be";
  PrepareCacheFolder();
  EXPECT_TRUE(fs::is_regular_file("tmp"));
}

TEST(ProgramBaseNameTest, IsTheExecutableNameWithoutFolderAndExtension) {
  EXPECT_EQ(ProgramBaseName(), "ordertable_tests");
}

}  // namespace
}  // namespace ordertable
