# Man pages: help2man runs each program's --help and --version at build time,
# so the pages never drift from the flags. Gzipped, as Debian installs them.
# Sets ARBORVANE_MAN_PAGES for cmake/Install.cmake; empty without help2man.
find_program(ARBORVANE_HELP2MAN help2man)
set(ARBORVANE_MAN_PAGES)
if(NOT ARBORVANE_HELP2MAN)
  message(STATUS "help2man not found: no man pages (scripts/deps.sh installs it)")
  return()
endif()

set(arborvane_man_name "animate a tree and grass moving in turbulent wind in an OpenGL window")
set(arborvane-record_man_name "render the tree in the wind offscreen to BMP frames and video")
set(arborvane-export_man_name "write the tree's motion in the wind as a binary glTF file")
set(arborvane-grow_man_name "grow a tree and write a complete Arborvane data folder")
foreach(program arborvane arborvane-record arborvane-export arborvane-grow)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  # The programs that read data get the folder rules; the grower only writes.
  set(include_data)
  if(NOT program STREQUAL "arborvane-grow")
    set(include_data --include ${CMAKE_SOURCE_DIR}/cmake/man/data.h2m)
  endif()
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${ARBORVANE_HELP2MAN} --no-info --section 1 --name ${${program}_man_name} ${include_data}
      --output ${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/man/data.h2m
    COMMENT "Man page ${program}.1 from --help"
    VERBATIM)
  list(APPEND ARBORVANE_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(arborvane_man_pages ALL DEPENDS ${ARBORVANE_MAN_PAGES})
