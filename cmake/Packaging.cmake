# CPack: the Debian packages, one per install component (see Install.cmake).
# They are made from a shared build installed into /usr with
# VASK_DEBIAN_PACKAGE on: the preset "package", then `cpack --preset package`
# (scripts/package.sh does both). The Windows zip has a configuration of its
# own, cmake/package/WindowsZip.cmake, since it packs two builds.
set(CPACK_PACKAGE_NAME vask)
set(CPACK_PACKAGE_VENDOR "The vask developers")
set(CPACK_PACKAGE_CONTACT "The vask developers <vask@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description starts with its own summary line.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/packages")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development programs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on the system's libraries come from dpkg-shlibdeps; it finds
# our own libraries in the build tree, and the packages' dependencies on one
# another come from the components' (with the exact version).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  "${PROJECT_BINARY_DIR}/platform" "${PROJECT_BINARY_DIR}/zeljpeg")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${VASK_DEB_PACKAGE_runtime})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The libraries' package declares them to dpkg-shlibdeps (shlibs) and has
# the dynamic linker's cache updated (ldconfig trigger).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/cmake/package/triggers")
# Metafile text is drawn with the Liberation fonts, found through fontconfig.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "JPEG component library on a class library of its own
Zeljpeg compresses bitmaps, metafiles and device-independent bitmaps into
JPEG streams and files, and decodes JPEG data from streams, files and
resources into bitmaps and pictures, with progress, abort and warning
events. This package holds the shared libraries of Zeljpeg and of the class
library it is written against.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${VASK_DEB_PACKAGE_development})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
# Zeljpeg's headers include the codec's.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libjpeg62-turbo-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "JPEG component library - development files
Headers, link libraries, a CMake package (find_package(Zeljpeg)) and a
pkg-config file (zeljpeg) for programs that use the Zeljpeg JPEG components.")

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${VASK_DEB_PACKAGE_programs})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_PROGRAMS_DEPENDS runtime)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "desktop launcher and JPEG converter
vask shows a picture with four buttons in a borderless window.
zeljpeg-convert converts JPEG files to BMP files and pictures (BMP, JPEG,
icons, metafiles) to JPEG files with the Zeljpeg library.")

include(CPack)
