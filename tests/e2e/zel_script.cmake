# What the scripts CTest runs as `cmake -P` share: the definitions they need, and zel-render.

# Fails unless ZEL_RENDER, OUT_DIR, NAME and each of ARGN came as -DNAME=...; makes OUT_DIR.
function(zel_require)
  foreach(var ${ARGN} ZEL_RENDER OUT_DIR NAME)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${CMAKE_SCRIPT_MODE_FILE} needs -D${var}=...")
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${OUT_DIR}")
endfunction()

# Renders with zel-render ARGN into IMAGE, which it removes first, failing the test with
# zel-render's errors when it fails or writes nothing.
function(zel_render image)
  file(REMOVE "${image}")
  execute_process(COMMAND "${ZEL_RENDER}" ${ARGN} -o "${image}"
                  RESULT_VARIABLE rendered ERROR_VARIABLE errors)
  if(NOT rendered EQUAL 0 OR NOT EXISTS "${image}")
    message(FATAL_ERROR "zel-render failed (${rendered}) or wrote no ${image}:\n${errors}")
  endif()
endfunction()
