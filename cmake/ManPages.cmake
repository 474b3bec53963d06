# Manual pages made at build time from a program's --help and --version (Debian's help2man),
# installed into share/man/man1. Without help2man the pages are left out, with a note.
#
#   tessaly_man_page(TARGET DESCRIPTION INCLUDE_FILE)
find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
  message(STATUS "help2man not found: no manual pages (scripts/bootstrap installs it)")
endif()

function(tessaly_man_page target description include_file)
  if(NOT HELP2MAN_EXECUTABLE)
    return()
  endif()
  set(page "${CMAKE_CURRENT_BINARY_DIR}/${target}.1")
  # The program runs during the build; a sanitized build must not fail it over Qt's leaks.
  add_custom_command(OUTPUT "${page}"
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
      ${HELP2MAN_EXECUTABLE} --no-info --no-discard-stderr
      --name=${description} --include=${include_file} --output=${page}
      $<TARGET_FILE:${target}>
    DEPENDS ${target} ${include_file}
    COMMENT "Manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS "${page}")
  install(FILES "${page}" DESTINATION share/man/man1)
endfunction()
