# The band library's resources: the eight toolbar icons, drawn at build time
# by icongen, and its side-by-side manifest. The band library adds them with
#   kestrel_add_resources(band ${KESTREL_BAND_RESOURCES})
include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
add_executable(icongen ${CMAKE_CURRENT_LIST_DIR}/icongen.cpp)
target_include_directories(icongen PRIVATE ${PROJECT_SOURCE_DIR}/platform/include)
target_link_libraries(icongen PRIVATE PkgConfig::CAIRO)

set(icon_dir ${CMAKE_BINARY_DIR}/band/resources)
set(icon_files about delete_cookies disable_proxy enable_proxy favorites capture misc options)
list(TRANSFORM icon_files PREPEND ${icon_dir}/)
list(TRANSFORM icon_files APPEND .ico)
add_custom_command(OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  COMMAND icongen ${icon_dir}
  DEPENDS icongen
  COMMENT "Drawing the toolbar icons"
  VERBATIM)
add_custom_target(band_icons DEPENDS ${icon_files})

set(KESTREL_BAND_RESOURCES)
set(id 101)
foreach(file ${icon_files})
  list(APPEND KESTREL_BAND_RESOURCES ICON ${id} ${file})
  math(EXPR id "${id} + 1")
endforeach()
list(APPEND KESTREL_BAND_RESOURCES
  MANIFEST 2 ${CMAKE_CURRENT_LIST_DIR}/band.manifest
  DEPENDS band_icons)
