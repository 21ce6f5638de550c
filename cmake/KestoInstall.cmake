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
  include/KesVersion.h
  # The Win32 types and constants the public headers use.
  Platform/include/windows.h)

# The target's own interface names include/kesto already.
# Three parts, as Debian packages them: the shared library (runtime), what a
# game builds against (dev), and the tools (tools).
install(TARGETS kesto EXPORT KestoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${KESTO_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kesto COMPONENT dev)
install(EXPORT KestoTargets NAMESPACE Kesto:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto COMPONENT dev)

configure_package_config_file(cmake/KestoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KestoConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KestoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KestoConfig.cmake ${PROJECT_BINARY_DIR}/KestoConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Kesto COMPONENT dev)

# The prefix is found from the file's own place, so that the installed tree
# can be moved (or installed with --prefix) and still be found.
file(RELATIVE_PATH KESTO_PC_TO_PREFIX "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" KESTO_PC_TO_PREFIX "${KESTO_PC_TO_PREFIX}")
configure_file(cmake/kesto.pc.in ${PROJECT_BINARY_DIR}/kesto.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kesto.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

if(KESTO_BUILD_TOOLS)
  install(TARGETS kesto-wdf kesto-was kesto-view RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()

include(cmake/KestoPackages.cmake)
