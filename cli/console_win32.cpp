#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "cli/commands.h"
#include "files/wide_text_win32.h"

namespace ordertable::cli {

// The C runtime's text mode would write every LF as CR LF and so change the page bytes.
void SetBinaryOutput() { _setmode(_fileno(stdout), _O_BINARY); }

// `argv` went through the ANSI code page, which has no "Заказы" in Windows-1252: the words
// are taken from the wide command line instead, split by the shell's own rules.
std::vector<std::string> CommandLineWords(int, char**) {
  int count = 0;
  wchar_t** const words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> utf8;
  for (int i = 1; words != nullptr && i < count; ++i) utf8.push_back(files::Utf8FromWide(words[i]));
  if (words != nullptr) LocalFree(words);
  return utf8;
}

}  // namespace ordertable::cli
