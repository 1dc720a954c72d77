# What a Windows cross build needs besides the toolchain file: the codec built
# from Debian's source package, the build-time tools compiled for the build
# machine, and Wine to run the test programs.
if(NOT CMAKE_CROSSCOMPILING OR NOT WIN32)
  return()
endif()

# The codec: scripts/windows_codec.sh builds it once per architecture into a
# cache folder and prints where.
if(NOT JPEG_INCLUDE_DIR OR NOT JPEG_LIBRARY)
  execute_process(
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/windows_codec.sh" "${CMAKE_SYSTEM_PROCESSOR}"
    OUTPUT_VARIABLE codec_prefix OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE codec_result)
  if(NOT codec_result EQUAL 0)
    message(FATAL_ERROR "Building the codec for Windows failed")
  endif()
  set(JPEG_INCLUDE_DIR "${codec_prefix}/include" CACHE PATH "The Windows codec's headers")
  set(JPEG_LIBRARY "${codec_prefix}/lib/libjpeg.a" CACHE FILEPATH "The Windows codec")
endif()

# The form compiler and the artwork generator run during the build, so they
# are built for this machine in a tree of their own.
include(ExternalProject)
set(host_dir "${PROJECT_BINARY_DIR}/host-tools")
ExternalProject_Add(vask_host_tools
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${host_dir}"
  CMAKE_ARGS -G Ninja -DCMAKE_BUILD_TYPE=Release -DVASK_HOST_TOOLS_ONLY=ON
             -DVASK_BUILD_TESTS=OFF -DVASK_BUILD_BENCH=OFF
  BUILD_COMMAND "${CMAKE_COMMAND}" --build "${host_dir}" --target dfmconv splashgen
  BUILD_BYPRODUCTS "${host_dir}/tools/dfmconv" "${host_dir}/tools/splashgen"
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
foreach(tool dfmconv splashgen)
  add_executable(${tool} IMPORTED GLOBAL)
  set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION "${host_dir}/tools/${tool}")
  add_dependencies(${tool} vask_host_tools)
endforeach()

# Test programs run under Wine, in a prefix of the build tree's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine_run.sh")
