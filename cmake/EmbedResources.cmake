# Compiles the string table into the stand-in library.
#
# Included from CMakeLists.txt, this file defines dlist_embed_strings(target file),
# which adds a build step that turns host/resources/strings.txt into a generated
# C++ source (the table sorted by identifier) and adds that source to the target.
#
# Run as a script (cmake -DINPUT=... -DOUTPUT=... -P EmbedResources.cmake), it
# does the conversion itself. Input lines are "ID<TAB>text"; lines beginning with
# '#' and empty lines are skipped. The step stops the build with the file's line
# number when a line is malformed, an identifier repeats, a text is empty, or a
# text holds a character outside printable ASCII or an escape other than \n, \t
# and \\.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  set(_dlist_embed_script "${CMAKE_CURRENT_LIST_FILE}")

  function(dlist_embed_strings target input)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/generated/string_table.cpp")
    add_custom_command(
      OUTPUT "${output}"
      COMMAND "${CMAKE_COMMAND}" "-DINPUT=${input}" "-DOUTPUT=${output}"
              -P "${_dlist_embed_script}"
      DEPENDS "${input}" "${_dlist_embed_script}"
      COMMENT "Embedding the string table"
      VERBATIM)
    target_sources(${target} PRIVATE "${output}")
  endfunction()
  return()
endif()

# ---- script mode ----------------------------------------------------------------
cmake_minimum_required(VERSION 3.25)
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "EmbedResources: INPUT and OUTPUT must be given")
endif()

file(READ "${INPUT}" content)
string(LENGTH "${content}" remaining)
set(line_number 0)
set(ids "")
string(ASCII 9 tab)

# Lines are cut off one at a time with FIND/SUBSTRING so that the text never
# passes through a CMake list, which would split it at ';' and brackets.
while(remaining GREATER 0)
  string(FIND "${content}" "\n" newline)
  if(newline EQUAL -1)
    set(line "${content}")
    set(content "")
  else()
    string(SUBSTRING "${content}" 0 ${newline} line)
    math(EXPR rest_start "${newline} + 1")
    string(SUBSTRING "${content}" ${rest_start} -1 content)
  endif()
  string(LENGTH "${content}" remaining)
  math(EXPR line_number "${line_number} + 1")

  string(REGEX REPLACE "\r$" "" line "${line}")
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()

  string(FIND "${line}" "${tab}" tab_at)
  if(tab_at LESS 1)
    message(FATAL_ERROR "${INPUT}:${line_number}: expected \"ID<TAB>text\"")
  endif()
  string(SUBSTRING "${line}" 0 ${tab_at} id)
  math(EXPR text_start "${tab_at} + 1")
  string(SUBSTRING "${line}" ${text_start} -1 text)

  if(NOT id MATCHES "^[1-9][0-9]?[0-9]?[0-9]?[0-9]?$")
    message(FATAL_ERROR "${INPUT}:${line_number}: identifier \"${id}\" is not a number from 1 to 99999")
  endif()
  if(DEFINED text_${id})
    message(FATAL_ERROR "${INPUT}:${line_number}: identifier ${id} appears twice")
  endif()
  if(text STREQUAL "")
    message(FATAL_ERROR "${INPUT}:${line_number}: identifier ${id} has an empty text")
  endif()
  if(text MATCHES "[^ -~]")
    message(FATAL_ERROR "${INPUT}:${line_number}: text of ${id} holds a character outside printable ASCII")
  endif()
  string(REGEX REPLACE "\\\\[nt\\\\]" "" unescaped "${text}")
  if(unescaped MATCHES "\\\\")
    message(FATAL_ERROR "${INPUT}:${line_number}: text of ${id} holds an escape other than \\n, \\t, \\\\")
  endif()

  # The allowed escapes mean the same in C++; only quotes need escaping.
  string(REPLACE "\"" "\\\"" literal "${text}")
  set(text_${id} "${literal}")
  list(APPEND ids ${id})
endwhile()

list(SORT ids COMPARE NATURAL)
list(LENGTH ids count)
if(count EQUAL 0)
  message(FATAL_ERROR "${INPUT}: the table holds no text")
endif()

set(body "")
foreach(id IN LISTS ids)
  string(APPEND body "    {${id}u, \"${text_${id}}\"},\n")
endforeach()

set(generated "// Generated from host/resources/strings.txt by cmake/EmbedResources.cmake.
// Do not edit: change the text file instead.
#include \"host/string_table_internal.h\"

namespace dlist::detail {

const StringEntry kStringTable[] = {
${body}};

const std::size_t kStringTableSize = ${count};

}  // namespace dlist::detail
")

# Rewrite only on change so that dependants are not rebuilt needlessly.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL generated)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${generated}")
