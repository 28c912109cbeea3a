// Start-up in a folder of its own: the cached page files of an earlier run go, everything
// else in "tmp" stays. Windows has read-only, hidden and system files and names that ignore
// letter case, so the clean-up is tried here too.

#include "app/startup_win32.h"
#include "orders/page_files.h"

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
  ClearCacheFolder(".");
  EXPECT_TRUE(fs::is_directory("tmp"));
}

TEST_F(StartupTest, DeletesOnlyTheCachedPageFilesThatABuildWouldRead) {
  fs::create_directory("tmp");
  fs::create_directory("tmp\\AE_orders_09.html");
  Touch("AE_orders_01.html");
  Touch("AE_orders_12.html");
  Touch("ae_orders_02.HTML");  // Windows opens it as AE_orders_02.html
  Touch("AE_orders_03.html", FILE_ATTRIBUTE_READONLY);
  Touch("AE_orders_04.html", FILE_ATTRIBUTE_HIDDEN);
  Touch("AE_orders_05.html", FILE_ATTRIBUTE_SYSTEM);
  Touch("Upper Case.HTML");
  Touch("notes.txt");
  Touch("AE_orders_06.htm");
  Touch("AE_orders_07.html.bak");

  ClearCacheFolder(".");

  EXPECT_FALSE(Exists("AE_orders_01.html"));
  EXPECT_FALSE(Exists("AE_orders_12.html"));
  EXPECT_FALSE(Exists("ae_orders_02.HTML"));
  EXPECT_FALSE(Exists("AE_orders_03.html")) << "a read-only page would be counted by the build";
  EXPECT_TRUE(Exists("AE_orders_04.html")) << "hidden files are no cached pages";
  EXPECT_TRUE(Exists("AE_orders_05.html")) << "nor are system files";
  EXPECT_TRUE(fs::is_directory("tmp\\AE_orders_09.html"));
  EXPECT_TRUE(Exists("Upper Case.HTML"));
  EXPECT_TRUE(Exists("notes.txt"));
  EXPECT_TRUE(Exists("AE_orders_06.htm"));
  EXPECT_TRUE(Exists("AE_orders_07.html.bak"));
}

TEST_F(StartupTest, ATmpFileInsteadOfAFolderIsNoError) {
  std::ofstream("tmp") << "a file where the folder should be";
  ClearCacheFolder(".");
  EXPECT_TRUE(fs::is_regular_file("tmp"));
}

TEST(ProgramBaseNameTest, IsTheExecutableNameWithoutFolderAndExtension) {
  EXPECT_EQ(ProgramBaseName(), "ordertable_tests");
}

}  // namespace
}  // namespace ordertable
