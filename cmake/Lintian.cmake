# Run by cpack once it has built the Debian packages (CPACK_POST_BUILD_SCRIPTS, from
# cmake/DebianPackages.cmake): lintian on each. An error or a warning fails the packaging;
# an accepted one needs an override in the package, with its reason.
find_program(LINTIAN lintian)
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian checks the packages: apt-get install lintian")
endif()
execute_process(COMMAND ${LINTIAN} --fail-on error,warning --tag-display-limit 0
                        ${CPACK_PACKAGE_FILES}
                RESULT_VARIABLE Result)
if(NOT Result EQUAL 0)
  message(FATAL_ERROR "lintian finds fault with the packages (above)")
endif()
list(TRANSFORM CPACK_PACKAGE_FILES REPLACE "^.*/" "")
message(STATUS "lintian: no error and no warning in ${CPACK_PACKAGE_FILES}")
