// Faults in the working folder, end to end through the wizard: the page is captured, then the
// fault is put in place, then the real build runs. A build that cannot write the table must
// say so, and leave the folder exactly as it found it: every row the table held stays on
// disk, and no half-written or temporary file is left behind.
//
// The disk-full and permission cases run the build in a child process, under a file size limit
// or as an unprivileged user (file modes do not bind the super-user); they need POSIX.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "app/wizard_texts.h"
#include "orders/text.h"
#include "tests/app/wizard_test_support.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace ordertable::test {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kFirstId = 8012000000000000;

// Every file under `folder` with its bytes, and every folder (as an entry without bytes). A
// file the test made unreadable counts by its name.
std::map<std::string, std::optional<std::string>> Snapshot(const fs::path& folder) {
  std::map<std::string, std::optional<std::string>> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).generic_string();
    entries[name] = std::nullopt;
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    entries[name] = in ? bytes.str() : "(unreadable)";
  }
  return entries;
}

// The same entries, and in each file the same bytes; only the names are shown on failure.
void ExpectSameFolder(const std::map<std::string, std::optional<std::string>>& after,
                      const std::map<std::string, std::optional<std::string>>& before) {
  std::vector<std::string> names_after, names_before;
  for (const auto& entry : after) names_after.push_back(entry.first);
  for (const auto& entry : before) names_before.push_back(entry.first);
  EXPECT_EQ(names_after, names_before);
  for (const auto& [name, bytes] : before) {
    const auto it = after.find(name);
    EXPECT_TRUE(it == after.end() || it->second == bytes) << name << " changed";
  }
}

// Takes write permission from `path`, or every permission when `all`.
void TakePermissions(const fs::path& path, bool all) {
  const fs::perms writes =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(path, all ? fs::perms::all : writes, fs::perm_options::remove);
}

// Gives the owner every permission again on everything under `folder`, so that it can be
// removed.
void GivePermissionsBack(const fs::path& folder) {
  std::error_code ignored;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (const auto& entry : fs::recursive_directory_iterator(folder, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
}

enum class Restriction {
  kNone,
  kWatched,        ///< nothing more, but in a child process, which ends if it hangs
  kFileSizeLimit,  ///< no file may grow past a few KiB: the disk is full
  kUnprivileged,   ///< an ordinary user, for whom a folder without write permission is read-only
};

constexpr std::size_t kDiskLeft = 4096;  // bytes a file may hold under the size limit

#ifndef _WIN32
// `folder` is the test's working folder: run as another user, the child is given it first,
// so that only the permissions the test took away stand in its way.
bool Restrict(Restriction restriction, const fs::path& folder) {
  // A build that hangs is ended by the alarm signal: the child reports no result.
  ::alarm(30);
  if (restriction == Restriction::kFileSizeLimit) {
    // The default action of the signal ends the process; ignored, the write fails with EFBIG.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(kDiskLeft), static_cast<rlim_t>(kDiskLeft)};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  if (restriction == Restriction::kUnprivileged && ::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || ::lchown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
      return false;
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (::lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return false;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
           ::setuid(nobody->pw_uid) == 0;
  }
  return true;
}

// Runs `body` in a child process under `restriction` (on `folder`) and returns the text it
// returned. Checks made in the child would not reach this test, so the child only acts and reports.
std::optional<std::string> InChild(Restriction restriction, const fs::path& folder,
                                   const std::function<std::string()>& body) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    const std::string report = Restrict(restriction, folder) ? body() : "the restriction failed";
    std::size_t written = 0;
    while (written < report.size()) {
      const ssize_t n = ::write(pipe_ends[1], report.data() + written, report.size() - written);
      if (n <= 0) ::_exit(2);
      written += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  ::close(pipe_ends[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return report;
}
#endif

// The second half of the failure texts: where the table is, then what to do.
const std::string kKeptInDocument =
    std::string(texts::kStillInDocument) + std::string(texts::kRetryTableOpen);
const std::string kKeptInBackup =
    std::string(texts::kKeptInBackup) + std::string(texts::kRetryTableOpen);
// A folder in the table's place is named as such.
const std::string kFolderInTheWay =
    std::string(texts::kKeptInBackup) + std::string(texts::kRetryFolderInTheWay);
const std::string kKeptOnline =
    std::string(texts::kStillOnline) + std::string(texts::kRetryReadOnly);
const std::string kAssetsNotWritten =
    std::string(texts::kStillInDocument) + std::string(texts::kRetryAssets);

struct FaultCase {
  const char* name;
  bool update;  // a table exists and the user chose to update it
  // Puts the fault in place between the capture and the build; `table` names the document.
  std::function<void(const fs::path& folder, const fs::path& table)> arrange;
  Restriction restriction;
  std::string_view where;  // what the result text says about the table that was there
  friend void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }
};

class FolderFaultTest : public WizardTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FolderFaultTest, TheBuildSaysItFailedAndLeavesTheFolderAsItWas) {
  const FaultCase& c = GetParam();
#ifdef _WIN32
  if (c.restriction != Restriction::kNone) {
    GTEST_SKIP() << "a file size limit and an unprivileged child process need POSIX";
  }
#endif
  // In an update, the table holds the orders that follow those of the copied page; the
  // backup of the update before stays as it is unless a merge succeeds.
  std::string table;
  if (c.update) {
    // A head that refers to the folder of assets beside the table, whatever this build's
    // option: the update puts back what is missing there.
    table = ExpectedDocument(NumberedRows(MakeOrders(20, kFirstId + 10, 6), kFirstRatings), "");
    WriteBytes(Document(), table);
    WriteBytes(folder_ / "AliExpress Orders.bkp", "the table before the last update");
  }
  host_.SetWorkerMode(FakeHost::WorkerMode::kHold);
  EnterCapture();
  PageSpec page;
  page.orders = MakeOrders(10, kFirstId, 6);
  CopyAndTick(BuildPageSource(page));
  ASSERT_EQ(host_.WorkerStarts(), 1);

  c.arrange(folder_, Document());
  const auto before = Snapshot(folder_);
  std::optional<std::string> message;
  auto build = [this] {
    host_.ReleaseWorker();
    wizard_.OnTimerTick();
    return host_.MessageText();
  };
#ifndef _WIN32
  if (c.restriction != Restriction::kNone) message = InChild(c.restriction, folder_, build);
#endif
  if (c.restriction == Restriction::kNone) message = build();
  const auto after = Snapshot(folder_);
  GivePermissionsBack(folder_);

  ASSERT_TRUE(message.has_value()) << "the build's child process failed or hung";
  EXPECT_EQ(*message, std::string(c.update ? texts::kNotUpdatedHead : texts::kNotGeneratedHead) +
                          std::string(c.where));
  ExpectSameFolder(after, before);
  if (c.update) {
    // The table's rows are still on disk, wherever the fault put the table.
    bool kept = false;
    for (const auto& [name, bytes] : before) kept = kept || bytes == table;
    EXPECT_TRUE(kept);
  }
}

void MoveTableAway(const fs::path& folder, const fs::path& table) {
  fs::rename(table, folder / "moved away.html");
}

void TableIntoAFolderOfItsName(const fs::path& folder, const fs::path& table) {
  fs::rename(table, folder / "moved away.html");
  fs::create_directory(table);
  fs::rename(folder / "moved away.html", table / "AliExpress Orders.html");
}

void CacheFolderReplacedByAFile(const fs::path& folder, const fs::path&) {
  fs::remove_all(folder / "tmp");
  WriteBytes(folder / "tmp", "a file where the cached pages were");
}

void AssetFolderReplacedByAFile(const fs::path& folder, const fs::path&) {
  WriteBytes(folder / "AliExpress Orders files", "a file where the table's assets go");
}

void Nothing(const fs::path&, const fs::path&) {}

void ReadOnlyFolder(const fs::path& folder, const fs::path&) {
  TakePermissions(folder / "tmp", false);
  TakePermissions(folder, false);
}

void UnreadableCachedPage(const fs::path& folder, const fs::path&) {
  TakePermissions(folder / "tmp" / "AE_orders_01.html", true);
}

#ifndef _WIN32
void TableReplacedByAPipe(const fs::path& folder, const fs::path& table) {
  fs::rename(table, folder / "moved away.html");
  ASSERT_EQ(::mkfifo(table.c_str(), 0644), 0);
}
#else
void TableReplacedByAPipe(const fs::path&, const fs::path&) {}
#endif

INSTANTIATE_TEST_SUITE_P(
    Faults, FolderFaultTest,
    ::testing::Values(
        // With the table gone from its place, the wizard cannot tell a table moved away from
        // one that a failed merge left in the backup: it points to the backup of the update
        // before, which the user may rename back.
        FaultCase{"UpdateTableMovedAwayAfterTheOverlapCheck", true, MoveTableAway,
                  Restriction::kNone, kKeptInBackup},
        FaultCase{"UpdateTableReplacedByAFolder", true, TableIntoAFolderOfItsName,
                  Restriction::kNone, kFolderInTheWay},
        // Opening a named pipe for reading waits for a writer: the build must not.
        FaultCase{"UpdateTableReplacedByAPipe", true, TableReplacedByAPipe, Restriction::kWatched,
                  kKeptInBackup},
        FaultCase{"UpdateCacheFolderReplacedByAFile", true, CacheFolderReplacedByAFile,
                  Restriction::kNone, kKeptInDocument},
        FaultCase{"NewTableCacheFolderReplacedByAFile", false, CacheFolderReplacedByAFile,
                  Restriction::kNone, kKeptOnline},
        FaultCase{"UpdateAssetFolderReplacedByAFile", true, AssetFolderReplacedByAFile,
                  Restriction::kNone, kAssetsNotWritten},
        FaultCase{"UpdateDiskFull", true, Nothing, Restriction::kFileSizeLimit, kKeptInDocument},
        FaultCase{"NewTableDiskFull", false, Nothing, Restriction::kFileSizeLimit, kKeptOnline},
        FaultCase{"UpdateReadOnlyFolder", true, ReadOnlyFolder, Restriction::kUnprivileged,
                  kKeptInDocument},
        FaultCase{"NewTableReadOnlyFolder", false, ReadOnlyFolder, Restriction::kUnprivileged,
                  kKeptOnline},
        // A page left out would leave its orders out of the table for good: later updates stop
        // at the known orders above them.
        FaultCase{"UpdateCachedPageUnreadable", true, UnreadableCachedPage,
                  Restriction::kUnprivileged, kKeptInDocument},
        FaultCase{"NewTableCachedPageUnreadable", false, UnreadableCachedPage,
                  Restriction::kUnprivileged, kKeptOnline}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

// The same faults when the page itself is stored: the page is not taken, no part of it is
// left in the cached page file, and the same page is asked for again.
class CachedPageFaultTest : public WizardTest, public ::testing::WithParamInterface<Restriction> {};

TEST_P(CachedPageFaultTest, ThePageIsNotTakenAndNothingOfItIsLeft) {
#ifdef _WIN32
  GTEST_SKIP() << "a file size limit and an unprivileged child process need POSIX";
#else
  EnterCapture();
  PageSpec page;
  page.orders = MakeOrders(10, kFirstId, 6);
  page.total_pages = 2;
  const std::string source = BuildPageSource(page);
  ASSERT_GT(CleanUpText(source).size(), kDiskLeft);
  if (GetParam() == Restriction::kUnprivileged) TakePermissions(Tmp(), false);
  const std::optional<std::string> status = InChild(GetParam(), folder_, [&] {
    CopyAndTick(source);
    return host_.Status() + (fs::exists(CachedPage(1)) ? " stored" : " not stored");
  });
  GivePermissionsBack(folder_);
  ASSERT_TRUE(status.has_value()) << "the capture's child process failed";
  EXPECT_EQ(*status, "blue \"Expected: page 1/2\" not stored");
  EXPECT_THAT(FolderEntries(Tmp()), ::testing::IsEmpty());
#endif
}

INSTANTIATE_TEST_SUITE_P(Faults, CachedPageFaultTest,
                         ::testing::Values(Restriction::kFileSizeLimit, Restriction::kUnprivileged),
                         [](const auto& param_info) {
                           return param_info.param == Restriction::kFileSizeLimit
                                      ? "DiskFull"
                                      : "ReadOnlyCacheFolder";
                         });

}  // namespace
}  // namespace ordertable::test
