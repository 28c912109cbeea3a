#include "cli/build_commands.h"

#include <map>
#include <optional>
#include <string_view>
#include <system_error>

#include "orders/build_worker.h"
#include "orders/file_io.h"
#include "orders/page_files.h"
#include "orders/text.h"
#include "table/document.h"
#include "table/overlap.h"

namespace ordertable::cli {

const char* const kBuildCommandsHelp =
    "  build [--update]        build \"AliExpress Orders.html\" in the current folder from the\n"
    "                          cached page files tmp/AE_orders_NN.html, as the wizard does;\n"
    "                          --update adds the orders that the table lacks at its top and\n"
    "                          keeps the previous table as \"AliExpress Orders.bkp\"; without\n"
    "                          --update an existing table is never overwritten\n"
    "  import [--update] FILE...\n"
    "                          store order-list pages saved from the browser (page source)\n"
    "                          as the cached page files, replacing those in tmp/, then build;\n"
    "                          with --update the pages after the first one that holds an\n"
    "                          order of the table are not needed\n"
    "                          build and import print the row count; exit status 0: the\n"
    "                          table was written or updated, 1: bad arguments or page files,\n"
    "                          2: no cached page file (nothing is written on 1 and 2),\n"
    "                          3: a file could not be written or a cached page file could\n"
    "                          not be read (nothing is written, no order is lost)\n";

namespace {

struct Options {
  bool update = false;
  std::vector<std::string> files;
};

// Parses [--update] followed, for import, by file names.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, bool takes_files,
                                    std::ostream& err) {
  Options options;
  bool files_only = false;
  for (const auto& arg : args) {
    if (!files_only && arg == "--update") {
      options.update = true;
    } else if (!files_only && arg == "--") {
      files_only = true;
    } else if (takes_files && (files_only || arg.empty() || arg[0] != '-')) {
      options.files.push_back(arg);
    } else {
      err << "unexpected argument '" << arg << "' (see --help)\n";
      return std::nullopt;
    }
  }
  if (takes_files && options.files.empty()) {
    err << "import needs at least one saved order-list page (see --help)\n";
    return std::nullopt;
  }
  return options;
}

// The wizard erases a table only after asking, and updates only one that exists; without a
// question to ask, the tool refuses instead.
bool TableStateFits(const std::filesystem::path& folder, bool update, std::ostream& err) {
  std::error_code error;
  const bool table_exists = std::filesystem::is_regular_file(folder / kTableDocument, error);
  if (update && !std::filesystem::exists(folder / kTableDocument, error)) {
    err << "there is no \"" << kTableDocument << "\" to update; leave out --update to build a"
        << " new table\n";
    return false;
  }
  if (!update && table_exists) {
    err << "\"" << kTableDocument << "\" already exists: use --update to add the new orders to"
        << " it, or move it away to build a new table\n";
    return false;
  }
  return true;
}

int ReportBuild(const BuildOutcome& outcome, const std::filesystem::path& folder, bool update,
                std::ostream& out, std::ostream& err) {
  switch (outcome.result) {
    case BuildResult::kDone:
      if (update) {
        out << outcome.row_count << " new row(s) added to \"" << kTableDocument
            << "\"; the previous table is kept in \"" << kTableBackup << "\"\n";
      } else {
        out << outcome.row_count << " row(s) written to \"" << kTableDocument << "\"\n";
      }
      return kExitDone;
    case BuildResult::kNoPages:
      err << "no cached page file: " << std::filesystem::path(kCacheFolder).generic_string()
          << "/AE_orders_01.html does not exist; nothing was written\n";
      return kExitNoPages;
    case BuildResult::kWriteFailed:
      break;
  }
  std::error_code error;
  err << "\"" << kTableDocument << "\" could not be " << (update ? "updated" : "written")
      << ". No order was lost: ";
  if (std::filesystem::is_regular_file(folder / kTableDocument, error)) {
    err << "the previous table is still in \"" << kTableDocument << "\".\n";
  } else if (update && std::filesystem::is_regular_file(folder / kTableBackup, error)) {
    err << "the previous table is in \"" << kTableBackup << "\".\n";
  } else {
    err << "the orders are still in the cached page files.\n";
  }
  err << "Check that the disk is not full, that the folder is writable and that no other"
      << " program holds the table or a cached page file open.\n";
  return kExitWriteFailed;
}

// A page saved from the browser, checked and cleaned as the wizard treats a copied page.
struct ImportedPage {
  std::string file;
  std::string text;  // cleaned
  std::int64_t number = 0;
  std::int64_t total = 0;
};

constexpr std::string_view kPageMarkers[] = {"<html>", "Alibaba Manufacturer Directory",
                                             kPageCounterTag, "</html>"};

std::optional<ImportedPage> ReadSavedPage(const std::filesystem::path& folder,
                                          const std::string& file, std::ostream& err) {
  // File names are relative to the working folder, like every other name of the tool.
  const std::optional<std::string> bytes = ReadWholeFile(folder / file);
  if (!bytes) {
    err << file << ": cannot be read\n";
    return std::nullopt;
  }
  for (const std::string_view marker : kPageMarkers) {
    if (bytes->find(marker) == std::string::npos) {
      err << file << ": not an order-list page (it lacks " << marker << ")\n";
      return std::nullopt;
    }
  }
  ImportedPage page{file, CleanUpText(*bytes)};
  const PageCounter counter = ReadPageCounter(page.text);
  page.number = counter.number;
  page.total = counter.total;
  if (page.number < 1) {
    err << file << ": its page counter '" << CutPageCounter(page.text)
        << "' gives no page number\n";
    return std::nullopt;
  }
  return page;
}

// Reads every file and checks that no page number is given twice.
std::optional<std::map<std::int64_t, ImportedPage>> ReadSavedPages(
    const std::filesystem::path& folder, const std::vector<std::string>& files, std::ostream& err) {
  std::map<std::int64_t, ImportedPage> pages;
  bool sound = true;
  for (const auto& file : files) {
    std::optional<ImportedPage> page = ReadSavedPage(folder, file, err);
    if (!page) {
      sound = false;
      continue;
    }
    const auto [at, inserted] = pages.emplace(page->number, std::move(*page));
    if (!inserted) {
      err << file << ": page " << at->first << " again (already given by " << at->second.file
          << ")\n";
      sound = false;
    }
  }
  if (!sound) return std::nullopt;
  return pages;
}

bool IsCachedPageName(const std::string& name) {
  constexpr std::string_view kPrefix = "AE_orders_";
  constexpr std::string_view kSuffix = ".html";
  if (name.size() <= kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix)) {
    return false;
  }
  for (std::size_t i = kPrefix.size(); i < name.size() - kSuffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

// The cached page files of an earlier capture would join the new ones in the build, as the
// wizard's start-up knows: they go first, as there.
void RemoveCachedPages(const std::filesystem::path& folder) {
  std::error_code error;
  std::vector<std::filesystem::path> stale;
  for (std::filesystem::directory_iterator it(folder / kCacheFolder, error), end;
       !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && IsCachedPageName(it->path().filename().string())) {
      stale.push_back(it->path());
    }
  }
  for (const auto& path : stale) std::filesystem::remove(path, error);
}

std::string CachedName(int page) {
  return std::filesystem::path(kCacheFolder).generic_string() + "/" +
         CachedPageFile({}, page).filename().string();
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                    std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, false, err);
  if (!options) return kExitBadInput;
  if (!TableStateFits(folder, options->update, err)) return kExitBadInput;
  return ReportBuild(RunTableBuild(folder, options->update), folder, options->update, out, err);
}

int RunImportCommand(const std::vector<std::string>& args, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err) {
  const std::optional<Options> options = ParseOptions(args, true, err);
  if (!options) return kExitBadInput;
  const auto pages = ReadSavedPages(folder, options->files, err);
  if (!pages) return kExitBadInput;
  if (!TableStateFits(folder, options->update, err)) return kExitBadInput;
  if (!pages->contains(1)) {
    err << "page 1 is missing: the pages given are " << pages->begin()->first << " and up\n";
    return kExitBadInput;
  }
  // As in the wizard, the total is the one the first page names.
  const std::int64_t total = pages->at(1).total > 0 ? pages->at(1).total : pages->rbegin()->first;
  if (!options->update) {
    for (std::int64_t n = 1; n <= total; ++n) {
      if (!pages->contains(n)) {
        err << "page " << n << " of " << total << " is missing; nothing was written\n";
        return kExitBadInput;
      }
    }
  }

  std::error_code error;
  std::filesystem::create_directory(folder / kCacheFolder, error);
  RemoveCachedPages(folder);
  int stored = 0;
  for (std::int64_t n = 1;; ++n) {
    const auto page = pages->find(n);
    if (page == pages->end()) {
      // Only an update can get here: no page before this one reaches a known order.
      err << "page " << n << " of " << total << " is missing: none of pages 1 to " << n - 1
          << " holds an order of the table yet; nothing was written\n";
      RemoveCachedPages(folder);
      return kExitBadInput;
    }
    const int number = static_cast<int>(n);
    if (!WriteWholeFile(CachedPageFile(folder, number), page->second.text)) {
      err << CachedName(number) << " could not be written; nothing else was written\n";
      RemoveCachedPages(folder);
      return kExitWriteFailed;
    }
    stored = number;
    if (options->update && PageOverlapsTable(folder, number)) break;
    if (n >= total) break;
  }
  for (auto it = pages->upper_bound(stored); it != pages->end(); ++it) {
    err << it->second.file << ": page " << it->first << " not needed, "
        << (options->update ? "an earlier page reaches the orders of the table"
                            : "the list has " + std::to_string(total) + " pages")
        << "\n";
  }
  out << stored << " page(s) stored in " << std::filesystem::path(kCacheFolder).generic_string()
      << "/\n";
  return ReportBuild(RunTableBuild(folder, options->update), folder, options->update, out, err);
}

}  // namespace ordertable::cli
