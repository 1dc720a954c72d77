# CPack configuration of the Windows zip: the programs of both Windows builds
# (presets windows-x64 and windows-x86), each architecture in a folder of its
# own. scripts/package.sh --windows builds both and runs
#   cpack --config cmake/package/WindowsZip.cmake
get_filename_component(vask_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vask)
# The version the builds were configured with.
file(STRINGS "${vask_root}/build/windows-x64/CMakeCache.txt" version REGEX "^CMAKE_PROJECT_VERSION:")
string(REGEX REPLACE ".*=" "" CPACK_PACKAGE_VERSION "${version}")
set(CPACK_PACKAGE_FILE_NAME vask-windows)
set(CPACK_PACKAGE_DESCRIPTION "vask and zeljpeg-convert for Windows (x86-64 and i686)")
set(CPACK_PACKAGE_DIRECTORY "${vask_root}/build")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
# Build folder, project, install component, folder in the zip; the builds'
# own generator installs them.
set(CPACK_CMAKE_GENERATOR Ninja)
set(CPACK_INSTALL_CMAKE_PROJECTS
  "${vask_root}/build/windows-x64;vask;programs;/x86-64"
  "${vask_root}/build/windows-x86;vask;programs;/i686")
