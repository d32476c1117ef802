# The program's icon: vorlix.svg (our own drawing) rendered at build time to the
# PNG sizes of the hicolor icon theme by the small Qt tool iconrender. The PNGs
# are the window icon (":/icons/vorlix-<size>.png") and are installed with the
# SVG (packaging/CMakeLists.txt).
find_package(Qt6 REQUIRED COMPONENTS Gui Svg)

add_executable(iconrender ${CMAKE_CURRENT_LIST_DIR}/iconrender.cpp)
target_link_libraries(iconrender PRIVATE Qt6::Gui Qt6::Svg)

set(VORLIX_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/vorlix.svg CACHE INTERNAL "")
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
  COMMAND iconrender ${VORLIX_ICON_SVG} ${icon_args}
  DEPENDS iconrender ${VORLIX_ICON_SVG}
  COMMENT "Rendering the icon"
  VERBATIM)
qt_add_resources(resources "vorlix_icons"
  PREFIX "/icons"
  BASE "${VORLIX_ICON_DIR}"
  FILES ${icon_files})
