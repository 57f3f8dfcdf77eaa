# Debian packages: `cpack -G DEB` in the build folder makes
#   arborvane_<version>_<arch>.deb      the programs, data, docs, man pages
#   arborvane-dev_<version>_<arch>.deb  the static core library, headers, CMake package
#   python3-arborvane_<version>_<arch>.deb  `import arborvane` and arborvane.sweep (when the module is built)
# Run-time dependencies come from the binaries (dpkg-shlibdeps, in dpkg-dev).
set(ARBORVANE_PACKAGE_MAINTAINER "Arborvane developers <arborvane@users.noreply.github.com>"
  CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME arborvane)
set(CPACK_PACKAGE_VENDOR "Arborvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ARBORVANE_PACKAGE_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
if(ARBORVANE_PYTHON_BUILT)
  list(APPEND CPACK_COMPONENTS_ALL Python)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ARBORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME arborvane)
set(CPACK_DEBIAN_RUNTIME_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "real-time animation of a tree and grass in turbulent wind
Arborvane animates one broad-leaved tree standing in a grass field and
moving in turbulent wind. Every branch, leaf and grass blade samples moving
noise grids and bends joint by joint on damped oscillators, children riding
on their parents.
.
This package holds the window program (arborvane, OpenGL and GLUT), an
offscreen recorder to image frames and video (arborvane-record), a glTF
exporter of the motion (arborvane-export), the generator of tree, leaf,
noise, grass and texture data (arborvane-grow) and the default data set.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME arborvane-dev)
set(CPACK_DEBIAN_DEVELOPMENT_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "tree-in-wind simulation library (static) and headers
The simulation behind Arborvane as a C++20 library without a window: open
a data folder, set the wind, step, and read the branch centre lines, leaf
transforms and grass blades in place. Ships a CMake package:
find_package(Arborvane CONFIG) gives the target Arborvane::core.")

# The module is built for one Python (Debian's python3 of this release): it
# depends on exactly that minor version. The grower and the installed data
# come with the programs' package, which sweeps of presets need.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-arborvane)
set(CPACK_DEBIAN_PYTHON_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
math(EXPR ARBORVANE_PYTHON_NEXT_MINOR "${Python_VERSION_MINOR} + 1")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}~), python3 (<< ${Python_VERSION_MAJOR}.${ARBORVANE_PYTHON_NEXT_MINOR}), python3-numpy")
set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "arborvane (= ${PROJECT_VERSION}), python3-distributed, python3-matplotlib, python3-tqdm")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "tree-in-wind simulation for Python, with sweeps on Dask
The simulation behind Arborvane as a Python module: open a data folder,
set the wind or play a wind schedule, step, and read branch centre lines,
leaf transforms and grass blades as numpy arrays without a copy, or the
tree-top trace of a run as a structured array.
.
python3 -m arborvane.sweep runs every combination of a sweep file's trees,
winds and seeds on Dask distributed, resumably, with a summary table and
a plot.")

# Each Debian package carries /usr/share/doc/<package>/changelog.gz; the
# entry's version is the project's.
string(TIMESTAMP ARBORVANE_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/debian/changelog RESULT_VARIABLE gzip_status)
if(gzip_status EQUAL 0)
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/arborvane
    COMPONENT Runtime EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/arborvane-dev
    COMPONENT Development EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-arborvane
    COMPONENT Python EXCLUDE_FROM_ALL)
endif()

# ... and /usr/share/doc/<package>/copyright: the project's own notice.
install(FILES cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/arborvane
  COMPONENT Runtime EXCLUDE_FROM_ALL)
install(FILES cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/arborvane-dev
  COMPONENT Development EXCLUDE_FROM_ALL)
install(FILES cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-arborvane
  COMPONENT Python EXCLUDE_FROM_ALL)

include(CPack)
