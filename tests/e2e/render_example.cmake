# One example test, run by CTest as `cmake -P`: renders examples/NAME.json at FRAME, downsampled
# by DOWNSAMPLE, with zel-render into OUT_DIR, and checks that it succeeds, writes the image at
# the expected size and draws something on it. The examples are the pictures users start from,
# so a control renamed, a range narrowed or an image gone must fail here, not in their hands.
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/zel_script.cmake)
zel_require(OIIOTOOL SCENE FRAME DOWNSAMPLE WIDTH HEIGHT)
set(image "${OUT_DIR}/${NAME}.png")
zel_render("${image}" "${SCENE}" --frames "${FRAME}" --downsample "${DOWNSAMPLE}")

execute_process(COMMAND "${OIIOTOOL}" --info --stats "${image}"
                RESULT_VARIABLE read OUTPUT_VARIABLE info ERROR_VARIABLE info_err)
if(NOT read EQUAL 0)
  message(FATAL_ERROR "${image} cannot be read back (${read}):\n${info_err}")
endif()
# "NAME.png :  160 x   90, 4 channel, uint8 png"
if(NOT info MATCHES " ${WIDTH} x +${HEIGHT}, 4 channel")
  message(FATAL_ERROR "${image} is not ${WIDTH} x ${HEIGHT} pixels with 4 channels:\n${info}")
endif()
# "Stats Max: R G B A (of 255)": a surface off screen or fully transparent leaves every maximum 0.
if(NOT info MATCHES "Stats Max: ([0-9]+) ([0-9]+) ([0-9]+) ([0-9]+)")
  message(FATAL_ERROR "no channel maxima in oiiotool's report on ${image}:\n${info}")
endif()
if(CMAKE_MATCH_1 EQUAL 0 AND CMAKE_MATCH_2 EQUAL 0 AND CMAKE_MATCH_3 EQUAL 0)
  message(FATAL_ERROR "${NAME} renders black: nothing of the surface is in frame ${FRAME}")
endif()
