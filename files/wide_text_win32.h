#pragma once

// Texts inside the program are UTF-8; the wide (…W) Win32 calls take UTF-16. These two turn
// one into the other at the edge, so that no narrow (…A) call ever sees a text: those read it
// in the ANSI code page, where "Заказы" or "注文" become question marks.

#include <string>
#include <string_view>

namespace ordertable::files {

/// `utf8` as UTF-16; an invalid byte becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);

/// `wide` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace ordertable::files
