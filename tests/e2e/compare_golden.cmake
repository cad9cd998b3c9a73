# One golden-image test, run by CTest as `cmake -P`: renders SCENE at FRAME with zel-render into
# OUT_DIR, in the format of REFERENCE's extension, with ZEL_DISPLACEMENT=DISPLACEMENT unless that
# is empty, and compares it with REFERENCE. With ZEL_UPDATE_GOLDEN=1 in the environment the render
# with an empty DISPLACEMENT writes over the reference instead (scripts/update-golden-images.sh);
# the others still compare.
#
# Tolerance, and why: llvmpipe is bit-exact run to run on one machine, but another Mesa version
# or a CPU with other vector units rounds rasteriser edges, multisample resolves and fast-math
# shader results a little differently. A channel may differ by up to 4/255 (the last bits of an
# 8-bit value) everywhere; beyond that, 0.5 % of the pixels (72 of 14400 at 160 x 90) may differ
# by any amount, which covers a few edge pixels that flip coverage, but not a moved, missing or
# recoloured surface, which changes hundreds.
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/zel_script.cmake)
zel_require(IDIFF SCENE FRAME REFERENCE)
get_filename_component(extension "${REFERENCE}" LAST_EXT)
set(actual "${OUT_DIR}/${NAME}${extension}")
set(diff "${OUT_DIR}/${NAME}-diff.png")
set(reference_copy "${OUT_DIR}/${NAME}-reference${extension}")
file(REMOVE "${diff}" "${reference_copy}")
if(DISPLACEMENT)
  set(ENV{ZEL_DISPLACEMENT} "${DISPLACEMENT}")
endif()
zel_render("${actual}" "${SCENE}" --frames "${FRAME}")

if("$ENV{ZEL_UPDATE_GOLDEN}" STREQUAL "1" AND NOT DISPLACEMENT)
  get_filename_component(golden_dir "${REFERENCE}" DIRECTORY)
  file(MAKE_DIRECTORY "${golden_dir}")
  file(COPY_FILE "${actual}" "${REFERENCE}")
  message(STATUS "wrote ${REFERENCE}")
  return()
endif()

if(NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "no reference ${REFERENCE}; render it with "
                      "scripts/update-golden-images.sh and look at it before committing")
endif()

# -abs -scale 20 makes small differences visible in the difference image.
execute_process(COMMAND "${IDIFF}" -fail 0.016 -failpercent 0.5 -warn 0.004 -warnpercent 100
                        -abs -scale 20 -o "${diff}" "${REFERENCE}" "${actual}"
                RESULT_VARIABLE compared OUTPUT_VARIABLE report ERROR_VARIABLE report_err)
# idiff: 0 passed, 1 only warnings, 2 and above failed, another size, or unreadable.
if(compared EQUAL 0 OR compared EQUAL 1)
  file(REMOVE "${diff}")
  return()
endif()
# The reference beside the actual and the difference, so all three open together.
file(COPY_FILE "${REFERENCE}" "${reference_copy}")
message(FATAL_ERROR "${NAME} differs from ${REFERENCE} (idiff ${compared}):\n${report}${report_err}"
                    "actual: ${actual}\ndifference (x20): ${diff}\nreference: ${reference_copy}")
