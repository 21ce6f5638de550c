# Installs the library, its headers, a CMake package and a pkg-config file so
# that a game outside this tree builds with find_package(Kesto) or pkg-config.
include(CMakePackageConfigHelpers)

set(KESTO_PUBLIC_HEADERS
  include/KesApp.h
  include/KesExport.h
  include/KesFile.h
  include/KesFont.h
  include/KesImage.h
  include/KesLZ.h
  include/KesPlatform.h
  include/KesSound.h
  include/KesUtility.h
  # The Win32 types and constants the public headers use.
  Platform/include/windows.h)

install(TARGETS kesto EXPORT KestoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kesto)
install(FILES ${KESTO_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kesto)
install(EXPORT KestoTargets NAMESPACE Kesto:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto)

configure_package_config_file(cmake/KestoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestoConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestoConfig.cmake ${PROJECT_BINARY_DIR}/KestoConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto)

# The prefix is found from the file's own place, so that the installed tree
# can be moved (or installed with --prefix) and still be found.
file(RELATIVE_PATH KESTO_PC_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" KESTO_PC_TO_PREFIX "${KESTO_PC_TO_PREFIX}")
configure_file(cmake/kesto.pc.in ${PROJECT_BINARY_DIR}/kesto.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kesto.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(KESTO_BUILD_TOOLS)
  install(TARGETS kesto-wdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS kesto-was RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
