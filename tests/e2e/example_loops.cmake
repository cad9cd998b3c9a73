# The seamless-loop example's test, run by CTest as `cmake -P`: the frame one loop after frame 0
# must show frame 0 again. The scene's composition ends where the loop does, so a copy of it,
# one second longer, goes to OUT_DIR (the scene names no images, whose paths would not follow);
# zel-render renders frames 0, 1 and LOOP_FRAME of it, downsampled by DOWNSAMPLE, and idiff's mean
# difference between 0 and LOOP_FRAME must stay below MAX_MEAN_ERROR. Keyframes changed without
# running `zel-render SCENE --set-end-frame` again, or a loop the module no longer closes, fail.
#
# Why a mean: the loop closes up to the rounding of the noise in floats, which moves a few points
# of the surface by a pixel (a mean of about 0.006 over the loop example at 160 x 90), while the
# next frame differs by about 0.04 and a loop that does not close by far more.
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/zel_script.cmake)
zel_require(IDIFF SCENE LOOP_FRAME DOWNSAMPLE MAX_MEAN_ERROR)
file(READ "${SCENE}" scene)
string(JSON duration GET "${scene}" composition duration)
math(EXPR longer "${duration} + 1")
string(JSON scene SET "${scene}" composition duration "${longer}")
set(longer_scene "${OUT_DIR}/${NAME}-longer.json")
file(WRITE "${longer_scene}" "${scene}")

# The mean difference of frame `frame` from frame 0, in `result`.
function(mean_error_from_first frame result)
  execute_process(COMMAND "${IDIFF}" "${OUT_DIR}/${NAME}-0.png" "${OUT_DIR}/${NAME}-${frame}.png"
                  OUTPUT_VARIABLE report ERROR_VARIABLE report_err)
  if(NOT report MATCHES "Mean error = ([0-9.e+-]+)")
    message(FATAL_ERROR "no mean error in idiff's report on frames 0 and ${frame}:\n"
                        "${report}${report_err}")
  endif()
  set(${result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

foreach(frame 0 1 ${LOOP_FRAME})
  zel_render("${OUT_DIR}/${NAME}-${frame}.png" "${longer_scene}" --frames "${frame}"
             --downsample "${DOWNSAMPLE}")
endforeach()

mean_error_from_first(1 next)
mean_error_from_first(${LOOP_FRAME} looped)
# Frames that do not move would pass any loop: the animation must show.
if(NOT next GREATER MAX_MEAN_ERROR)
  message(FATAL_ERROR "${NAME}: frame 1 differs from frame 0 by a mean of only ${next}; "
                      "the example does not move")
endif()
if(NOT looped LESS MAX_MEAN_ERROR)
  message(FATAL_ERROR "${NAME}: frame ${LOOP_FRAME} differs from frame 0 by a mean of ${looped} "
                      "(at most ${MAX_MEAN_ERROR} for a closed loop; frame 1 differs by ${next}): "
                      "the loop does not close. After changing its keyframes or duration, run "
                      "zel-render ${SCENE} --set-end-frame SECONDS again.")
endif()
