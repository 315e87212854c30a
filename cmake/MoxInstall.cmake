# Installation: libraries, headers (without internal/ folders), the generated version header,
# the CMake package (moxConfig.cmake with one component per library) and pkg-config files.
# A component is installed when its target was built: core (mox), headless (mox_headless),
# qt (mox_qt).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MOX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/mox)
set(MOX_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
# pkg-config files find the prefix from their own place, so an installed tree can be moved.
file(RELATIVE_PATH MOX_PC_TO_PREFIX /p/${MOX_PC_DIR} /p)
string(REGEX REPLACE "/$" "" MOX_PC_TO_PREFIX "${MOX_PC_TO_PREFIX}")

set(MOX_COMPONENTS)
foreach(entry core:mox headless:mox_headless qt:mox_qt)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 component)
  list(GET entry 1 target)
  if(NOT TARGET ${target})
    continue()
  endif()
  list(APPEND MOX_COMPONENTS ${component})

  if(component STREQUAL "core")
    set(export_set moxTargets)
  else()
    set(export_set mox-${component}Targets)
  endif()
  install(TARGETS ${target} EXPORT ${export_set}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT ${export_set} NAMESPACE mox:: DESTINATION ${MOX_CMAKE_DIR})

  # One .pc per library: mox.pc for the core, mox-<backend>.pc for a backend.
  set(MOX_PC_LIB ${target})
  set(MOX_PC_LIBS_EXTRA "")
  if(component STREQUAL "core")
    set(MOX_PC_NAME mox)
    set(MOX_PC_DESCRIPTION "Cells: typed values, dependencies, undo, archives, dialog binding")
    set(MOX_PC_REQUIRES "")
    set(MOX_PC_LIBS_EXTRA "-pthread")
  else()
    set(MOX_PC_NAME mox-${component})
    set(MOX_PC_DESCRIPTION "mox dialog backend: ${component}")
    set(MOX_PC_REQUIRES "mox")
    if(component STREQUAL "qt")
      set(MOX_PC_REQUIRES "mox Qt6Widgets")
    endif()
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/mox.pc.in
    ${PROJECT_BINARY_DIR}/pkgconfig/${MOX_PC_NAME}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${MOX_PC_NAME}.pc DESTINATION ${MOX_PC_DIR})
endforeach()

set(MOX_HEADER_EXCLUDES PATTERN "internal" EXCLUDE)
if(NOT TARGET mox_qt)
  list(APPEND MOX_HEADER_EXCLUDES PATTERN "qt" EXCLUDE PATTERN "qt.h" EXCLUDE)
endif()
install(DIRECTORY src/mox DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h" ${MOX_HEADER_EXCLUDES})
install(FILES ${PROJECT_BINARY_DIR}/include/mox/platform/export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/mox/platform)
install(FILES ${PROJECT_BINARY_DIR}/include/mox/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/mox)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/moxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/moxConfig.cmake
  INSTALL_DESTINATION ${MOX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/moxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/moxConfig.cmake ${PROJECT_BINARY_DIR}/moxConfigVersion.cmake
  DESTINATION ${MOX_CMAKE_DIR})
