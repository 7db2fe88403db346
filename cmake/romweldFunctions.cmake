# romweld_add_image(OUTPUT <image> SYSTEM <program.gba> ROOT <directory>
#                   [TARGET <name>])
#
# Packs the tree under ROOT onto the program SYSTEM and writes OUTPUT. The
# image is rebuilt whenever the program, the packer, or any file or directory
# under ROOT changes, appears or disappears. TARGET (default: the output's
# name without extension, plus "_image") is built by default.
function(romweld_add_image)
  cmake_parse_arguments(ARG "" "OUTPUT;SYSTEM;ROOT;TARGET" "" ${ARGN})
  foreach(required OUTPUT SYSTEM ROOT)
    if(NOT ARG_${required})
      message(FATAL_ERROR "romweld_add_image: ${required} is required")
    endif()
  endforeach()
  if(NOT ARG_TARGET)
    get_filename_component(stem "${ARG_OUTPUT}" NAME_WE)
    set(ARG_TARGET "${stem}_image")
  endif()
  get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(system "${ARG_SYSTEM}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(root "${ARG_ROOT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")

  # CONFIGURE_DEPENDS re-globs at every build, so added and removed files
  # are noticed; directories are listed too, for empty ones.
  file(GLOB_RECURSE tree LIST_DIRECTORIES true CONFIGURE_DEPENDS "${root}/*")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND romweld::romweld -s "${system}" -o "${output}" "${root}"
    DEPENDS "${system}" ${tree} "${root}" romweld::romweld
    COMMENT "Packing ${root} onto ${ARG_SYSTEM}"
    VERBATIM)
  add_custom_target(${ARG_TARGET} ALL DEPENDS "${output}")
endfunction()
