# Runs as a CTest script: makes the Debian packages with CPack, unpacks them
# into a scratch root as dpkg would install them, and builds and runs the
# consumer game against that root alone.
include(${CMAKE_CURRENT_LIST_DIR}/Run.cmake)

file(REMOVE_RECURSE ${KESTO_SCRATCH})
file(MAKE_DIRECTORY ${KESTO_SCRATCH}/debs ${KESTO_SCRATCH}/root)
run(${CMAKE_CPACK_COMMAND} -G DEB -B ${KESTO_SCRATCH}/debs --config ${KESTO_BUILD_DIR}/CPackConfig.cmake)

set(root ${KESTO_SCRATCH}/root)
foreach(package libkesto${KESTO_VERSION_MAJOR} libkesto-dev kesto-tools)
  file(GLOB deb ${KESTO_SCRATCH}/debs/${package}_${KESTO_VERSION}_*.deb)
  if(NOT deb)
    message(FATAL_ERROR "no package ${package} ${KESTO_VERSION} among: ${KESTO_SCRATCH}/debs")
  endif()
  run(dpkg-deb --field ${deb} Package Version Depends)
  set(fields_${package} "${LAST_OUTPUT}")
  run(dpkg-deb -x ${deb} ${root})
endforeach()

# dpkg-shlibdeps found what the library and the tools link; the headers'
# package asks for the library of its own release.
foreach(need "libsdl2-2.0-0" "libsdl2-mixer-2.0-0" "libfreetype6" "liblzo2-2")
  if(NOT fields_libkesto${KESTO_VERSION_MAJOR} MATCHES "${need}")
    message(FATAL_ERROR "libkesto${KESTO_VERSION_MAJOR} does not depend on ${need}:\n${fields_libkesto${KESTO_VERSION_MAJOR}}")
  endif()
endforeach()
if(NOT fields_libkesto-dev MATCHES "libkesto${KESTO_VERSION_MAJOR} \\(= ${KESTO_VERSION}\\)")
  message(FATAL_ERROR "libkesto-dev does not ask for its own release:\n${fields_libkesto-dev}")
endif()
if(NOT fields_kesto-tools MATCHES "Depends: .*libc6" OR NOT fields_kesto-tools MATCHES "libkesto${KESTO_VERSION_MAJOR} \\(= ${KESTO_VERSION}\\)")
  message(FATAL_ERROR "kesto-tools has no computed dependencies:\n${fields_kesto-tools}")
endif()

file(GLOB library ${root}/usr/lib/libkesto.so.${KESTO_VERSION_MAJOR} ${root}/usr/lib/*/libkesto.so.${KESTO_VERSION_MAJOR})
foreach(f ${library} ${root}/usr/include/kesto/KesApp.h ${root}/usr/include/kesto/KesVersion.h ${root}/usr/bin/kesto-wdf
          ${root}/usr/bin/kesto-was ${root}/usr/bin/kesto-view)
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "not in the packages: ${f}")
  endif()
endforeach()
if(NOT library)
  message(FATAL_ERROR "libkesto.so.${KESTO_VERSION_MAJOR} is in no package")
endif()

# A game built against the unpacked root alone.
build_consumer(${KESTO_SCRATCH}/build ${root}/usr -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
run_consumer(${KESTO_SCRATCH}/build/consumer)
run(${root}/usr/bin/kesto-wdf --version)
if(NOT LAST_OUTPUT STREQUAL "kesto-wdf ${KESTO_VERSION}\n")
  message(FATAL_ERROR "the packaged kesto-wdf says: ${LAST_OUTPUT}")
endif()
