# Writes the GLSL sources into one C++ file as text constants, run as
#   cmake -DSHADER_DIR=<dir> -DSHADERS=<constant>=<file>,... -DOUTPUT=<file.cpp> -P embed_shaders.cmake
# A line `#include "<file>"` in a source is replaced by that file from SHADER_DIR, so that the
# sources share their common parts; included files include nothing further.

set(delimiter "zel_glsl")

function(read_shader file result)
  set(path "${SHADER_DIR}/${file}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "embed_shaders: ${path} not found")
  endif()
  file(READ "${path}" text)
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "," ";" shaders "${SHADERS}")
set(body "")
foreach(entry IN LISTS shaders)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 constant)
  list(GET pair 1 file)
  read_shader("${file}" text)

  string(REGEX MATCHALL "#include \"[^\"\n]+\"" includes "${text}")
  foreach(directive IN LISTS includes)
    string(REGEX REPLACE "#include \"([^\"]+)\"" "\\1" included "${directive}")
    read_shader("${included}" part)
    if(part MATCHES "#include")
      message(FATAL_ERROR "embed_shaders: ${included}, included by ${file}, includes a file itself")
    endif()
    string(REPLACE "${directive}\n" "${part}" text "${text}")
  endforeach()

  if(text MATCHES "\\)${delimiter}\"")
    message(FATAL_ERROR "embed_shaders: ${file} contains the literal's delimiter )${delimiter}\"")
  endif()
  string(APPEND body "const char* const ${constant} = R\"${delimiter}(${text})${delimiter}\";\n\n")
endforeach()

file(WRITE "${OUTPUT}" "\
// Generated from plugin/render/shaders by embed_shaders.cmake; edit the .glsl files instead.
#include \"plugin/render/shaders/shader_sources.h\"

namespace zel {

${body}}  // namespace zel
")
