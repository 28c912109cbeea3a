# Turns the files listed in web/table-assets.txt into a C++ source file that the program
# carries: one string literal per file, gzip-compressed where that makes it at least a tenth
# smaller (stylesheets and scripts; fonts and pictures are compressed already).
#
# cmake -DLIST=web/table-assets.txt -DWEB=web -DOUT=assets_data.cpp -DWORK=dir -P embed_assets.cmake
foreach(var LIST WEB OUT WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_assets.cmake needs -D${var}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY "${WORK}")
file(STRINGS "${LIST}" lines REGEX "^[^#]")
string(REPEAT "[0-9a-f]" 64 kLinePattern)

set(literals "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([^ ]+) +([^ ]+)$" matched "${line}")
  if(NOT matched)
    message(FATAL_ERROR "${LIST}: not a 'path source' line: ${line}")
  endif()
  set(path "${CMAKE_MATCH_1}")
  set(source "${WEB}/${CMAKE_MATCH_2}")
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "${source} is missing: run 'npm ci' in web/")
  endif()

  file(SIZE "${source}" size)
  set(packed "${WORK}/${index}.gz")
  file(REMOVE "${packed}")
  file(ARCHIVE_CREATE OUTPUT "${packed}" PATHS "${source}" FORMAT raw COMPRESSION GZip
       COMPRESSION_LEVEL 9)
  file(SIZE "${packed}" packed_size)
  math(EXPR limit "${size} * 9 / 10")
  if(packed_size LESS limit)
    file(READ "${packed}" hex HEX)
    # The gzip header's time stamp (bytes 4 to 7) would make every build's output differ.
    string(SUBSTRING "${hex}" 0 8 header)
    string(SUBSTRING "${hex}" 16 -1 rest)
    set(hex "${header}00000000${rest}")
    set(compressed true)
    set(stored_size ${packed_size})
  else()
    file(READ "${source}" hex HEX)
    set(compressed false)
    set(stored_size ${size})
  endif()
  file(REMOVE "${packed}")

  # 32 bytes a line, each as \xNN: a following escape never runs on into the digits.
  string(REGEX REPLACE "(${kLinePattern})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" hex "${hex}")
  string(REPLACE "\n" "\"\n    \"" hex "${hex}")
  string(APPEND literals "// ${path}\nconstexpr char kData${index}[] =\n    \"${hex}\";\n")
  string(APPEND entries
         "    {\"${path}\", std::string_view(kData${index}, ${stored_size}), ${size}, ${compressed}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUT}.new"
  "// Made by table/embed_assets.cmake from web/table-assets.txt when the program is built.\n"
  "#include \"table/assets.h\"\n\n"
  "namespace ordertable {\nnamespace {\n\n${literals}\n}  // namespace\n\n"
  "extern const TableAsset kTableAssetList[];\nextern const std::size_t kTableAssetCount;\n\n"
  "const TableAsset kTableAssetList[] = {\n${entries}};\n"
  "const std::size_t kTableAssetCount = ${index};\n\n"
  "}  // namespace ordertable\n")
file(RENAME "${OUT}.new" "${OUT}")
