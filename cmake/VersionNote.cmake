# tw_add_version_note(<target> <major> <minor> <release> <build>): embeds the file version in
# the target's file as an ELF note (owner "Tonewright", type 1, two 32-bit words: major << 16 |
# minor, release << 16 | build), which the about box reads back from the running executable.
function(tw_add_version_note target major minor release build)
  foreach(part major minor release build)
    if(NOT "${${part}}" MATCHES "^[0-9]+$" OR ${${part}} GREATER 65535)
      message(FATAL_ERROR "version part ${part} of ${target} is not a number 0..65535: '${${part}}'")
    endif()
  endforeach()
  math(EXPR TW_VERSION_HIGH "(${major} << 16) | ${minor}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR TW_VERSION_LOW "(${release} << 16) | ${build}" OUTPUT_FORMAT HEXADECIMAL)
  set(note_source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_note.c)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionNote.c.in ${note_source} @ONLY)
  target_sources(${target} PRIVATE ${note_source})
endfunction()
