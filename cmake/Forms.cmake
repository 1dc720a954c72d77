# Compiles a form description from its text form at build time and embeds the
# binary as an RCDATA resource of the target:
#
#   vask_add_form(<target> <name> <text_file> [BASE <dir>] [DEPENDS <files>...])
#
# <name> is the resource name the program reads the form by (ReadComponentRes).
# File references inside the text ({@file 'x'}, {@graphic TClass 'x'}) are
# resolved relative to BASE, by default the text file's directory; list those
# files under DEPENDS so that a change to them rebuilds the form.
function(vask_add_form target name text_file)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "" "BASE" "DEPENDS")
  get_filename_component(text_file "${text_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  if(ARG_BASE)
    get_filename_component(text_dir "${ARG_BASE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  else()
    get_filename_component(text_dir "${text_file}" DIRECTORY)
  endif()
  set(depends)
  foreach(dep ${ARG_DEPENDS})
    get_filename_component(dep "${dep}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND depends "${dep}")
  endforeach()
  string(MAKE_C_IDENTIFIER "${target}_${name}" stem)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/forms/${stem}.bin")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/forms"
    COMMAND dfmconv --to-binary "${text_file}" "${out}" --base "${text_dir}"
    DEPENDS dfmconv "${text_file}" ${depends}
    COMMENT "Compiling form ${name} from ${text_file}"
    VERBATIM)
  # Listing the output among the sources makes the target run the command.
  target_sources(${target} PRIVATE "${out}")
  vask_add_resource(${target} RCDATA ${name} "${out}")
endfunction()
