# CPack configuration of the Windows zip: the programs of both Windows builds
# (presets windows-x64 and windows-x86), each architecture in a folder of its
# own. scripts/package.sh --windows builds both and runs
#   cpack --config cmake/package/WindowsZip.cmake
get_filename_component(vask_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vask)
set(CPACK_PACKAGE_FILE_NAME vask-windows)
set(CPACK_PACKAGE_DIRECTORY "${vask_root}/build")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
# Build folder, project, install component, folder in the zip.
set(CPACK_INSTALL_CMAKE_PROJECTS
  "${vask_root}/build/windows-x64;vask;programs;/x86-64"
  "${vask_root}/build/windows-x86;vask;programs;/i686")
