# Installation: the libraries with their public headers, a CMake package
# (find_package(Zeljpeg CONFIG) gives Zeljpeg::zeljpeg and Zeljpeg::platform),
# a pkg-config file (zeljpeg.pc), the example converter and vask.
#
# Components: "runtime" (the shared libraries), "development" (headers,
# static libraries and link names, the package files) and "programs"
# (zeljpeg-convert, vask). Each becomes one Debian package:
set(VASK_DEB_PACKAGE_runtime libzeljpeg${PROJECT_VERSION_MAJOR})
set(VASK_DEB_PACKAGE_development libzeljpeg-dev)
set(VASK_DEB_PACKAGE_programs vask)
include(CMakePackageConfigHelpers)

set(vask_programs zeljpeg-convert)
if(VASK_BUILD_LAUNCHER)
  list(APPEND vask_programs vask)
endif()

set(VASK_CMAKE_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/Zeljpeg")

# Installed programs and libraries find the installed libraries wherever the
# prefix is; in a system directory the dynamic linker finds them anyway.
list(FIND CMAKE_C_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" libdir_is_system)
if(BUILD_SHARED_LIBS AND libdir_is_system EQUAL -1)
  file(RELATIVE_PATH libdir_from_bindir "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
  set_target_properties(zeljpeg PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(${vask_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${libdir_from_bindir}")
endif()

install(TARGETS vask_platform zeljpeg
  EXPORT ZeljpegTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# A Windows program stays at the top of its folder (and so of the zip).
if(WIN32)
  set(programs_dir .)
else()
  set(programs_dir ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS ${vask_programs} RUNTIME DESTINATION ${programs_dir} COMPONENT programs)
install(EXPORT ZeljpegTargets
  NAMESPACE Zeljpeg::
  DESTINATION ${VASK_CMAKE_PACKAGE_DIR}
  COMPONENT development)

# A static class library links the libraries it draws with itself, so its
# users need them too: the CMake package finds them through pkg-config, and
# zeljpeg.pc requires them. A shared one carries them along.
if(BUILD_SHARED_LIBS)
  set(static_pkg_modules "")
else()
  set(static_pkg_modules ${VASK_PLATFORM_PKG_MODULES})
endif()
configure_package_config_file(cmake/package/ZeljpegConfig.cmake.in
  "${PROJECT_BINARY_DIR}/package/ZeljpegConfig.cmake"
  INSTALL_DESTINATION ${VASK_CMAKE_PACKAGE_DIR})
write_basic_package_version_file("${PROJECT_BINARY_DIR}/package/ZeljpegConfigVersion.cmake"
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  "${PROJECT_BINARY_DIR}/package/ZeljpegConfig.cmake"
  "${PROJECT_BINARY_DIR}/package/ZeljpegConfigVersion.cmake"
  DESTINATION ${VASK_CMAKE_PACKAGE_DIR}
  COMPONENT development)

# pkg-config: paths relative to the file's own place, so that the prefix can
# be chosen at install time (cmake --install --prefix); a Debian package's
# prefix is fixed.
if(VASK_DEBIAN_PACKAGE)
  set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH pc_prefix "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
  string(REGEX REPLACE "(.+)/$" "\\1" pc_prefix "${pc_prefix}")
  set(pc_prefix "\${pcfiledir}/${pc_prefix}")
endif()
file(RELATIVE_PATH pc_libdir "${CMAKE_INSTALL_PREFIX}" "${CMAKE_INSTALL_FULL_LIBDIR}")
file(RELATIVE_PATH pc_includedir "${CMAKE_INSTALL_PREFIX}" "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
get_target_property(pc_platform_name vask_platform OUTPUT_NAME)
list(JOIN static_pkg_modules " " pc_requires)
string(PREPEND pc_requires "libjpeg ")
configure_file(cmake/package/zeljpeg.pc.in "${PROJECT_BINARY_DIR}/package/zeljpeg.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/package/zeljpeg.pc"
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# The licence: in the documentation folder, or as each Debian package's
# copyright file, beside its change log.
if(VASK_DEBIAN_PACKAGE)
  execute_process(
    COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/cmake/package/changelog"
    OUTPUT_FILE "${PROJECT_BINARY_DIR}/package/changelog.gz"
    COMMAND_ERROR_IS_FATAL ANY)
  foreach(component runtime development programs)
    set(doc_dir "${CMAKE_INSTALL_DATAROOTDIR}/doc/${VASK_DEB_PACKAGE_${component}}")
    install(FILES LICENSE DESTINATION ${doc_dir} RENAME copyright COMPONENT ${component})
    install(FILES "${PROJECT_BINARY_DIR}/package/changelog.gz" DESTINATION ${doc_dir}
            COMPONENT ${component})
  endforeach()
else()
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)
endif()
