#include "table/table_files.h"

namespace ordertable {

bool ReplaceTableFile(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path temporary = target.parent_path() / kTableTemporary;
  // A temporary file left by an interrupted run is stale: it never holds the only copy.
  if (!RemoveTableFile(temporary) || !CreateTableFile(temporary, {bytes})) return false;
  if (MoveTableFile(temporary, target)) return true;
  RemoveTableFile(temporary);
  return false;
}

}  // namespace ordertable
