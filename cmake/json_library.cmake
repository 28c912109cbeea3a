# RapidJSON, the JSON library of the order-list reader. It is header-only, so the Windows build
# compiles the very headers of Debian's rapidjson-dev. The compiler is given a folder that holds
# only that library (a link to it), never the whole of /usr/include, whose other headers are
# the host's and not MinGW's.
find_path(ORDERTABLE_RAPIDJSON_ROOT rapidjson/document.h
  PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT ORDERTABLE_RAPIDJSON_ROOT)
  message(FATAL_ERROR "RapidJSON not found: install Debian's rapidjson-dev")
endif()
set(ORDERTABLE_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
file(MAKE_DIRECTORY ${ORDERTABLE_JSON_INCLUDE})
if(NOT EXISTS ${ORDERTABLE_JSON_INCLUDE}/rapidjson)
  file(CREATE_LINK ${ORDERTABLE_RAPIDJSON_ROOT}/rapidjson ${ORDERTABLE_JSON_INCLUDE}/rapidjson
       SYMBOLIC)
endif()

add_library(ordertable_json INTERFACE)
target_include_directories(ordertable_json SYSTEM INTERFACE ${ORDERTABLE_JSON_INCLUDE})
# SSE2 is part of every x86-64 processor: the scans of long strings (pictures in base64) take
# 16 bytes a step. Those steps are aligned loads, so the last one may read past the end of the
# text, though never past its 16-byte block (nor so into another page): harmless, but the
# address sanitizer reports it, so sanitized builds scan byte by byte.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$" AND NOT ORDERTABLE_SANITIZE)
  target_compile_definitions(ordertable_json INTERFACE RAPIDJSON_SSE2)
endif()
if(ORDERTABLE_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(ordertable_json INTERFACE
    -fsanitize-ignorelist=${PROJECT_SOURCE_DIR}/cmake/rapidjson_ubsan_ignore.txt)
endif()
