# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE, from cmake/DebianPackages.cmake):
# what only a finished build tells, for the Debian packages.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

# A new version needs its entry in the changelog first, which gives the packages theirs.
if(NOT CPACK_KANA_CHANGELOG_UPSTREAM STREQUAL CPACK_PACKAGE_VERSION)
  message(FATAL_ERROR "cmake/debian/changelog: the latest entry is for version "
                      "${CPACK_KANA_CHANGELOG_UPSTREAM}, the project is at "
                      "${CPACK_PACKAGE_VERSION}: add an entry for it")
endif()

if(CPACK_KANA_UNPACKAGED)
  message(FATAL_ERROR "install rules of the component(s) ${CPACK_KANA_UNPACKAGED} go into no "
                      "Debian package: give them one in cmake/DebianPackages.cmake")
endif()

# libkana1's dependencies, from dpkg-shlibdeps as cpack asks it for the other packages
# (it wants a debian/control in its working folder).
file(READ ${CPACK_KANA_LIBRARY_FILE} Library)
set(Work ${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/libkana1-shlibdeps)
file(MAKE_DIRECTORY ${Work}/debian)
file(TOUCH ${Work}/debian/control)
execute_process(COMMAND dpkg-shlibdeps -O ${Library}
                WORKING_DIRECTORY ${Work}
                OUTPUT_VARIABLE Depends ERROR_VARIABLE Error RESULT_VARIABLE Result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT Result EQUAL 0 OR NOT Depends MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "dpkg-shlibdeps (dpkg-dev) on ${Library}: ${Result}\n${Error}")
endif()
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS ${CMAKE_MATCH_1})
