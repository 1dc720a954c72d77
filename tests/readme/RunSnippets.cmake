# Runs the README's example programs, one after the other, in a fresh folder
# that holds photo.jpg (written by cjpeg) and photo.bmp (djpeg's decode of
# it); every JPEG and BMP file there afterwards must be readable by the
# codec's own tools (djpeg reads JPEG, cjpeg reads BMP).
#
#   cmake -DPROGRAMS=<programs> -DWORK_DIR=<dir> -DCJPEG=<cjpeg> -DDJPEG=<djpeg>
#         [-DEMULATOR=<command>] -P RunSnippets.cmake
#
# PROGRAMS and EMULATOR are lists separated by "|".
foreach(var PROGRAMS WORK_DIR CJPEG DJPEG)
  if(NOT ${var})
    message(FATAL_ERROR "RunSnippets.cmake: ${var} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${WORK_DIR}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "'${ARGN}' failed (${result}):\n${output}")
  endif()
endfunction()

string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
string(REPLACE "|" ";" EMULATOR "${EMULATOR}")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
# A 64 x 48 colour ramp.
set(ppm "P3 64 48 255\n")
foreach(y RANGE 47)
  foreach(x RANGE 63)
    math(EXPR r "${x} * 4")
    math(EXPR g "${y} * 5")
    math(EXPR b "255 - ${x} * 2 - ${y}")
    string(APPEND ppm "${r} ${g} ${b}\n")
  endforeach()
endforeach()
file(WRITE "${WORK_DIR}/photo.ppm" "${ppm}")
run("${CJPEG}" -quality 90 -outfile photo.jpg photo.ppm)
run("${DJPEG}" -bmp -outfile photo.bmp photo.jpg)

foreach(program ${PROGRAMS})
  message(STATUS "running ${program}")
  run(${EMULATOR} "${program}")
endforeach()

file(GLOB jpegs RELATIVE "${WORK_DIR}" "${WORK_DIR}/*.jpg" "${WORK_DIR}/*.jpeg")
file(GLOB bmps RELATIVE "${WORK_DIR}" "${WORK_DIR}/*.bmp")
foreach(file ${jpegs})
  run("${DJPEG}" -outfile check.ppm "${file}")
endforeach()
foreach(file ${bmps})
  run("${CJPEG}" -outfile check.jpg "${file}")
endforeach()
list(LENGTH jpegs jpeg_count)
list(LENGTH bmps bmp_count)
message(STATUS "the examples ran; ${jpeg_count} JPEG and ${bmp_count} BMP files read back")
