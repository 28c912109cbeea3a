# Turns the bookmark's address, as web/build-bookmark.mjs wrote it, into a C++ source file
# that the program carries.
#
# cmake -DADDRESS=bookmark_address.txt -DOUT=bookmark_data.cpp -P embed_bookmark.cmake
foreach(var ADDRESS OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_bookmark.cmake needs -D${var}=...")
  endif()
endforeach()
file(SIZE "${ADDRESS}" size)
file(READ "${ADDRESS}" hex HEX)
# 32 bytes a line, each as \xNN: a following escape never runs on into the digits.
string(REPEAT "[0-9a-f]" 64 kLinePattern)
string(REGEX REPLACE "(${kLinePattern})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" hex "${hex}")
string(REPLACE "\n" "\"\n    \"" hex "${hex}")
file(WRITE "${OUT}.new"
  "// Made by table/embed_bookmark.cmake from web/bookmark.js when the program is built.\n"
  "#include <string_view>\n\n"
  "namespace ordertable {\nnamespace {\n\n"
  "constexpr char kData[] =\n    \"${hex}\";\n\n"
  "}  // namespace\n\n"
  "extern const std::string_view kBookmarkAddress;\n"
  "const std::string_view kBookmarkAddress(kData, ${size});\n\n"
  "}  // namespace ordertable\n")
file(RENAME "${OUT}.new" "${OUT}")
