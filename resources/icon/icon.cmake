# SPDX-License-Identifier: GPL-3.0-or-later
# The programs' icons: vorlix.svg and kestrunlobby.svg (our own drawings)
# rendered at build time to the PNG sizes of the hicolor icon theme by the small
# Qt tool iconrender. The PNGs are the window icons (":/icons/vorlix-<size>.png"
# in the game's resources, ":/icons/kestrunlobby-<size>.png" in the library
# lobbyicons, which the lobby links instead of the game's word lists) and are
# installed with the SVGs (packaging/CMakeLists.txt).
# The renderer runs during the build and uses Qt SVG: a cross build takes the
# build machine's own, from VORLIX_HOST_TOOLS.
if(CMAKE_CROSSCOMPILING)
  find_program(VORLIX_ICONRENDER iconrender PATHS ${VORLIX_HOST_TOOLS} NO_DEFAULT_PATH REQUIRED)
  set(_iconrender ${VORLIX_ICONRENDER})
else()
  find_package(Qt6 REQUIRED COMPONENTS Gui Svg)
  add_executable(iconrender ${CMAKE_CURRENT_LIST_DIR}/iconrender.cpp)
  target_link_libraries(iconrender PRIVATE Qt6::Gui Qt6::Svg)
  set(_iconrender iconrender)
endif()

set(VORLIX_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/vorlix.svg CACHE INTERNAL "")
set(LOBBY_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/kestrunlobby.svg CACHE INTERNAL "")
set(VORLIX_ICON_SIZES 32 48 64 128 256 CACHE INTERNAL "")
set(VORLIX_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons CACHE INTERNAL "")
set(icon_args)
set(icon_files)
foreach(size ${VORLIX_ICON_SIZES})
  list(APPEND icon_args ${size} ${VORLIX_ICON_DIR}/vorlix-${size}.png)
  list(APPEND icon_files ${VORLIX_ICON_DIR}/vorlix-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLIX_ICON_DIR}
  COMMAND ${_iconrender} ${VORLIX_ICON_SVG} ${icon_args}
  DEPENDS ${_iconrender} ${VORLIX_ICON_SVG}
  COMMENT "Rendering the icon"
  VERBATIM)
qt_add_resources(resources "vorlix_icons"
  PREFIX "/icons"
  BASE "${VORLIX_ICON_DIR}"
  FILES ${icon_files})

set(lobby_icon_args)
set(lobby_icon_files)
foreach(size ${VORLIX_ICON_SIZES})
  list(APPEND lobby_icon_args ${size} ${VORLIX_ICON_DIR}/kestrunlobby-${size}.png)
  list(APPEND lobby_icon_files ${VORLIX_ICON_DIR}/kestrunlobby-${size}.png)
endforeach()
add_custom_command(OUTPUT ${lobby_icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORLIX_ICON_DIR}
  COMMAND ${_iconrender} ${LOBBY_ICON_SVG} ${lobby_icon_args}
  DEPENDS ${_iconrender} ${LOBBY_ICON_SVG}
  COMMENT "Rendering the lobby's icon"
  VERBATIM)
add_library(lobbyicons STATIC ${CMAKE_CURRENT_LIST_DIR}/../resources.cpp)
target_link_libraries(lobbyicons PUBLIC Qt6::Core)
qt_add_resources(lobbyicons "lobby_icons"
  PREFIX "/icons"
  BASE "${VORLIX_ICON_DIR}"
  FILES ${lobby_icon_files})
