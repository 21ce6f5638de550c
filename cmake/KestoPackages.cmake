# Debian packages of the installed parts, made with `cpack -G DEB` in a
# build folder: libkesto<major> (the shared library), libkesto-dev (headers,
# CMake package, pkg-config file) and kesto-tools (the archive and sprite
# tools and the data viewer). dpkg-shlibdeps computes what the library and the tools need.
set(CPACK_PACKAGE_NAME kesto)
set(CPACK_PACKAGE_VENDOR "The Kesto developers")
set(CPACK_PACKAGE_CONTACT "The Kesto developers <kesto@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_COMPONENTS_ALL runtime dev)
if(KESTO_BUILD_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()

set(KESTO_RUNTIME_PACKAGE libkesto${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${KESTO_RUNTIME_PACKAGE})
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Kesto 2-D game engine: the shared library")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libkesto-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${KESTO_RUNTIME_PACKAGE} (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Kesto 2-D game engine: headers, CMake package and pkg-config file")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kesto-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
# kesto-view links the library as a game does: it comes from this build,
# found there by dpkg-shlibdeps, and the package asks for its own release.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${KESTO_RUNTIME_PACKAGE} (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "Kesto 2-D game engine: the archive and sprite tools and the data viewer")

include(CPack)
