# The libraries' headers are included by path from one root:
# "platform/..." and "zeljpeg/...". The build tree offers that root as
# ${VASK_INCLUDE_ROOT}, which holds links to the two folders and nothing else,
# so that users of the library targets do not get the whole repository on
# their include path; an installation offers the same root as
# <prefix>/${VASK_INSTALL_INCLUDEDIR}, holding the public headers only.
# (zeljpeg/ itself is never an include directory: its Jpeglib.h would shadow
# the codec's jpeglib.h on a case-insensitive file system.)
set(VASK_INCLUDE_ROOT "${PROJECT_BINARY_DIR}/include")
set(VASK_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/zeljpeg")
file(MAKE_DIRECTORY "${VASK_INCLUDE_ROOT}")
foreach(dir platform zeljpeg)
  file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${dir}" "${VASK_INCLUDE_ROOT}/${dir}" SYMBOLIC)
endforeach()

# Gives a library target the include root, for itself and its users.
function(vask_library_includes target)
  target_include_directories(${target} PUBLIC
    "$<BUILD_INTERFACE:${VASK_INCLUDE_ROOT}>"
    "$<INSTALL_INTERFACE:${VASK_INSTALL_INCLUDEDIR}>")
endfunction()

#   vask_install_headers(<header>...)
# Installs headers given relative to the current source directory under the
# installed include root, at the same path they have below the repository
# (when VASK_INSTALL is on).
function(vask_install_headers)
  if(NOT VASK_INSTALL)
    return()
  endif()
  file(RELATIVE_PATH base "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  foreach(header ${ARGN})
    get_filename_component(dir "${base}/${header}" DIRECTORY)
    install(FILES "${header}" DESTINATION "${VASK_INSTALL_INCLUDEDIR}/${dir}" COMPONENT development)
  endforeach()
endfunction()
