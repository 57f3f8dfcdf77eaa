# The --live page's parts, included from src/export/CMakeLists.txt after the
# web viewer's npm install: the core built as one WebAssembly module
# (wasm/, with Emscripten, configured by emcmake into the build tree), the
# page's viewer bundled with esbuild, both generated into a header the
# exporter embeds. The build then makes the default tree's page, which is
# installed as share/arborvane/arborvane.html. Without Emscripten (or node)
# the header is empty and --live says why.
include(ExternalProject)
option(ARBORVANE_LIVE_PAGE "Build the --live page's module (needs Emscripten)" ON)
find_program(ARBORVANE_EMCMAKE emcmake)
find_program(ARBORVANE_EMCC emcc)
set(LIVE_GEN ${CMAKE_BINARY_DIR}/generated/live)
set(LIVE_SRC ${PROJECT_SOURCE_DIR}/web/live)
file(MAKE_DIRECTORY ${LIVE_GEN})
if(ARBORVANE_LIVE_PAGE AND ARBORVANE_EMCMAKE AND ARBORVANE_EMCC AND ARBORVANE_NPM AND ARBORVANE_NODE)
  set(ARBORVANE_LIVE ON CACHE INTERNAL "the --live page is built")
  set(LIVE_WASM ${CMAKE_BINARY_DIR}/wasm)
  # Emscripten's JavaScript optimizer needs Debian's acorn (node-acorn),
  # which a node from elsewhere does not find without NODE_PATH.
  set(LIVE_ENV ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  ExternalProject_Add(arborvane_live_module
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/wasm
    BINARY_DIR ${LIVE_WASM}
    CONFIGURE_COMMAND ${LIVE_ENV} ${ARBORVANE_EMCMAKE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
      -DCMAKE_BUILD_TYPE=Release -DARBORVANE_SOURCE=${PROJECT_SOURCE_DIR}
      -DARBORVANE_GENERATED=${CMAKE_BINARY_DIR}/generated
    BUILD_COMMAND ${LIVE_ENV} ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel 2
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${LIVE_WASM}/arborvane_live.js ${LIVE_WASM}/arborvane_live_stand.js)
  file(GLOB LIVE_JS CONFIGURE_DEPENDS ${LIVE_SRC}/*.js)
  add_custom_command(OUTPUT ${LIVE_GEN}/arborvane_live_page.h
    COMMAND ${ARBORVANE_NODE} ${LIVE_SRC}/bundle.mjs ${WEB_NPM}/node_modules ${LIVE_WASM}/arborvane_live.js
            ${LIVE_GEN}/arborvane_live_page.h ${LIVE_WASM}/arborvane_live_stand.js
    DEPENDS ${LIVE_JS} ${LIVE_SRC}/page.html ${LIVE_SRC}/bundle.mjs ${WEB_SRC}/bundle_kit.mjs ${WEB_NPM}/node_modules/.package-lock.json
            ${LIVE_WASM}/arborvane_live.js ${LIVE_WASM}/arborvane_live_stand.js arborvane_live_module
    COMMENT "Bundling the live page (module, viewer)")
  # The default tree's page, for the installation.
  set(LIVE_PAGE ${CMAKE_BINARY_DIR}/arborvane.html)
  add_custom_command(OUTPUT ${LIVE_PAGE}
    COMMAND $<TARGET_FILE:arborvane-export> --quiet --data ${CMAKE_BINARY_DIR}/data --live ${LIVE_PAGE}
    DEPENDS arborvane-export arborvane_data ${CMAKE_BINARY_DIR}/data/.generated
    COMMENT "Making the default tree's live page")
  add_custom_target(arborvane_live_page ALL DEPENDS ${LIVE_PAGE})
  install(FILES ${LIVE_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/arborvane COMPONENT Runtime)
else()
  set(ARBORVANE_LIVE OFF CACHE INTERNAL "the --live page is built")
  if(ARBORVANE_LIVE_PAGE)
    message(WARNING "emscripten (or node and npm) not found: arborvane-export is built without --live (apt-get install emscripten node-acorn)")
  endif()
  file(CONFIGURE OUTPUT ${LIVE_GEN}/arborvane_live_page.h CONTENT
    "inline constexpr char kLivePageTemplate[] = \"\";\ninline constexpr char kLiveViewerScript[] = \"\";\ninline constexpr char kLiveModuleScript[] = \"\";\ninline constexpr char kLiveStandViewerScript[] = \"\";\ninline constexpr char kLiveStandModuleScript[] = \"\";\n")
endif()
target_sources(arborvane_export PRIVATE live_page.cpp live_stand_page.cpp ${LIVE_GEN}/arborvane_live_page.h)
target_include_directories(arborvane_export PRIVATE ${LIVE_GEN})
