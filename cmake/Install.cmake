# Install layout (GNUInstallDirs), in two components:
#   Runtime:     bin/ the four programs, share/arborvane/data/, share/doc/arborvane/, share/man/man1/
#   Development: lib/libarborvane_core.a, include/arborvane/, lib/cmake/Arborvane/
# `cmake --install build --prefix DIR` installs both; the Debian packages
# split them (cmake/Package.cmake).
include(CMakePackageConfigHelpers)

foreach(program arborvane arborvane-record arborvane-export arborvane-grow)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
  endif()
endforeach()

# The generated default data; the previews and the contact sheet are for
# people growing trees, not for the programs.
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/arborvane/data
  COMPONENT Runtime
  PATTERN ".generated" EXCLUDE
  PATTERN "*.png" EXCLUDE)

install(FILES README.md CONVENTIONS.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Runtime)

# Man pages: one section-1 page per program, made by the build (help2man
# from --help/--version). Set ARBORVANE_MAN_PAGES to the generated files
# before this file is included; the package test expects every one of them.
if(ARBORVANE_MAN_PAGES)
  install(FILES ${ARBORVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
endif()

# The simulation as a library: the static core (it carries the whole core),
# the public headers, and a CMake package exporting Arborvane::core.
install(TARGETS arborvane_core EXPORT ArborvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/arborvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development)

set(ARBORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Arborvane)
install(EXPORT ArborvaneTargets NAMESPACE Arborvane:: DESTINATION ${ARBORVANE_CMAKE_DIR} COMPONENT Development)
configure_package_config_file(cmake/ArborvaneConfig.cmake.in ${CMAKE_BINARY_DIR}/ArborvaneConfig.cmake
  INSTALL_DESTINATION ${ARBORVANE_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ArborvaneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ArborvaneConfig.cmake ${CMAKE_BINARY_DIR}/ArborvaneConfigVersion.cmake
  DESTINATION ${ARBORVANE_CMAKE_DIR} COMPONENT Development)
