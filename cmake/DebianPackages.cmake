# The Debian packages, by Debian's policy, one per component of the install rules
# (cmake/Install.cmake), all under /usr:
#
#   component    package        section   holds
#   library      libkana1       libs      libkana.so.1 and the file it names
#   development  libkana-dev    libdevel  the headers, libkana.so, libhanzen.a, kana.pc,
#                                         the CMake package; needs libkana1 of its version
#   programs     kanaconv       text      kanaconv and ostrel, their man pages (gzip'd), the
#                                         completion, the README (gzip'd)
#   python       python3-kana   python    the Python module, once something installs into
#                                         that component
#
# Every package has /usr/share/doc/PACKAGE/copyright (machine-readable, from LICENSE) and
# changelog.Debian.gz (debian/changelog). Those and the gzip'd pages go into the
# components with EXCLUDE_FROM_ALL: a package installs its component by name and gets
# them, cmake --install keeps its plain layout (documents, the one component no package
# holds). libkana1 has a shlibs file and an ldconfig trigger and no maintainer scripts;
# python3-kana compiles its byte code on installation and removes it on removal.
# cpack first runs cmake/CPackDebian.cmake (dependencies, the version check), and lintian
# on the packages last (cmake/Lintian.cmake): an error or a warning fails the packaging;
# debian/PACKAGE.lintian-overrides, where there is one, says why a tag is accepted.
set(KANA_MAINTAINER "kana maintainers <maintainers@users.noreply.c-seed-eb30ee79.example>")
set(KANA_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
# What is read here at configure time configures again when it changes.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${PROJECT_SOURCE_DIR}/LICENSE)

# The packages' version is the one of the changelog's latest entry, whose upstream part
# has to be the project's (cmake/CPackDebian.cmake checks it).
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog Latest LIMIT_COUNT 1)
if(NOT Latest MATCHES "^kana \\(([^ -]+)-([0-9]+)\\) ")
  message(FATAL_ERROR "cmake/debian/changelog: its first line names no version: ${Latest}")
endif()
set(CPACK_KANA_CHANGELOG_UPSTREAM ${CMAKE_MATCH_1})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set(KANA_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
# The first version of the packages that took the place of the single package kana.
set(KANA_SPLIT_VERSION 0.1.1-2)

# copyright: the LICENSE's notice as the Copyright field, the rest as the licence text.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE License)
set(KANA_COPYRIGHT)
set(KANA_LICENSE_TEXT)
foreach(Line IN LISTS License)
  if(Line MATCHES "^Copyright \\([cC]\\) (.*)$")
    set(KANA_COPYRIGHT ${CMAKE_MATCH_1})
  elseif(KANA_COPYRIGHT AND (KANA_LICENSE_TEXT OR Line))
    if(Line)
      string(APPEND KANA_LICENSE_TEXT " ${Line}\n")
    else()
      string(APPEND KANA_LICENSE_TEXT " .\n")
    endif()
  endif()
endforeach()
if(NOT KANA_COPYRIGHT OR NOT KANA_LICENSE_TEXT)
  message(FATAL_ERROR "LICENSE: no \"Copyright (c) ...\" line followed by the licence")
endif()
string(STRIP "${KANA_LICENSE_TEXT}" KANA_LICENSE_TEXT) # the first line's space stays out
string(PREPEND KANA_LICENSE_TEXT " ")
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in ${KANA_DEBIAN_DIR}/copyright @ONLY)

# Compressed as Debian wants it: gzip -9n, no name and no time in the header.
find_program(KANA_GZIP gzip REQUIRED)
set(KANA_GZIPPED)
function(kana_gzip Source Output)
  add_custom_command(OUTPUT ${Output}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${Source} ${Output}
    COMMAND ${KANA_GZIP} -9nf ${Output}
    DEPENDS ${Source} VERBATIM)
  set(KANA_GZIPPED ${KANA_GZIPPED} ${Output}.gz PARENT_SCOPE)
endfunction()
kana_gzip(${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${KANA_DEBIAN_DIR}/changelog.Debian)
kana_gzip(${PROJECT_SOURCE_DIR}/README.md ${KANA_DEBIAN_DIR}/README.md)
set(KANA_DEBIAN_MAN_PAGES)
foreach(Page IN LISTS KANA_MAN_PAGES)
  get_filename_component(Name ${Page} NAME)
  kana_gzip(${Page} ${KANA_DEBIAN_DIR}/man/${Name})
  list(APPEND KANA_DEBIAN_MAN_PAGES ${KANA_DEBIAN_DIR}/man/${Name}.gz)
endforeach()
add_custom_target(debian_files ALL DEPENDS ${KANA_GZIPPED})

# libkana1's control files: what packages built against libkana.so.1 depend on (this
# version on; the library's interface grows only compatibly under one SONAME), and the
# ldconfig run after the library comes or goes.
get_target_property(KANA_SOVERSION kana SOVERSION)
file(WRITE ${KANA_DEBIAN_DIR}/libkana1/shlibs
     "libkana ${KANA_SOVERSION} libkana1 (>= ${PROJECT_VERSION})\n")
file(WRITE ${KANA_DEBIAN_DIR}/libkana1/triggers "activate-noawait ldconfig\n")
# The library that cmake/CPackDebian.cmake asks dpkg-shlibdeps about.
file(GENERATE OUTPUT ${KANA_DEBIAN_DIR}/library-file CONTENT "$<TARGET_FILE:kana>")
set(CPACK_KANA_LIBRARY_FILE ${KANA_DEBIAN_DIR}/library-file)

# Installed only into the packages: each one's copyright and changelog and its lintian
# overrides (debian/PACKAGE.lintian-overrides, each with its reason), kanaconv's pages and
# README.
function(kana_debian_documents Component Package)
  install(FILES ${KANA_DEBIAN_DIR}/copyright ${KANA_DEBIAN_DIR}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${Package}
          COMPONENT ${Component} EXCLUDE_FROM_ALL)
  set(Overrides ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/${Package}.lintian-overrides)
  if(EXISTS ${Overrides})
    install(FILES ${Overrides} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
            RENAME ${Package} COMPONENT ${Component} EXCLUDE_FROM_ALL)
  endif()
endfunction()
kana_debian_documents(library libkana1)
kana_debian_documents(development libkana-dev)
kana_debian_documents(programs kanaconv)
install(FILES ${KANA_DEBIAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT programs EXCLUDE_FROM_ALL)
install(FILES ${KANA_DEBIAN_DIR}/README.md.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kanaconv
        COMPONENT programs EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development programs)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KANA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE kana)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps (dpkg-dev) for the programs and the module. Not for libkana1: there
# cpack would add maintainer scripts that run ldconfig, which its trigger does.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackDebian.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/Lintian.cmake)

set(KANA_ABOUT
  "The kana converter converts Japanese text held in Shift-JIS (code page 932):"
  "half-width and full-width characters, hiragana and katakana, big and small"
  "letters, and tabs into spaces. Every byte that no option converts comes out"
  "as it went in.")
string(JOIN "\n" KANA_ABOUT ${KANA_ABOUT})

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libkana1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${KANA_DEBIAN_DIR}/libkana1/shlibs ${KANA_DEBIAN_DIR}/libkana1/triggers)
string(JOIN "\n" CPACK_DEBIAN_LIBRARY_DESCRIPTION
  "Shift-JIS width, kana and letter-size converter - shared library"
  "${KANA_ABOUT}"
  ""
  "This package holds the shared library libkana.so.1, whose C function"
  "KanaConvert converts one text file into another and replaces it in one step.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkana-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libkana1 (= ${KANA_DEBIAN_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SUGGESTS pkg-config)
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
  "Shift-JIS width, kana and letter-size converter - development files"
  "${KANA_ABOUT}"
  ""
  "This package holds what programs need to build against libkana: the C header"
  "kana.h, the libkana.so link, the pkg-config file and the CMake package; and"
  "the conversion engine as a static C++ library, libhanzen.a, with its headers.")

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME kanaconv)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS bash-completion)
string(JOIN "\n" CPACK_DEBIAN_PROGRAMS_DESCRIPTION
  "Japanese text width, kana and letter-size converter"
  "${KANA_ABOUT}"
  ""
  "This package holds kanaconv, which converts files and pipes in Shift-JIS or"
  "UTF-8 and replaces each file in one step, and ostrel, which removes the"
  "converter's settings.")

# Each took its files from the single package that came before them.
foreach(Component LIBRARY DEVELOPMENT PROGRAMS)
  set(CPACK_DEBIAN_${Component}_PACKAGE_BREAKS "kana (<< ${KANA_SPLIT_VERSION})")
  set(CPACK_DEBIAN_${Component}_PACKAGE_REPLACES "kana (<< ${KANA_SPLIT_VERSION})")
endforeach()

# python3-kana, from the component python once it holds something (the module is built
# for one Python version, the one of the interpreter the build found).
function(kana_debian_python)
  get_cmake_property(Components COMPONENTS)
  # A component in no package would be left out unnoticed: cmake/CPackDebian.cmake fails.
  set(CPACK_KANA_UNPACKAGED ${Components})
  list(REMOVE_ITEM CPACK_KANA_UNPACKAGED library development programs python documents)
  if(NOT python IN_LIST Components)
    include(CPack)
    return()
  endif()
  kana_debian_documents(python python3-kana)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(Python /usr/bin/python3)
  foreach(Found Python3_EXECUTABLE Python_EXECUTABLE PYTHON_EXECUTABLE)
    if(${Found})
      set(Python ${${Found}})
      break()
    endif()
  endforeach()
  execute_process(COMMAND ${Python} -c "import sys; print(*sys.version_info[:2])"
                  OUTPUT_VARIABLE Version OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE " " ";" Version "${Version}")
  list(GET Version 0 Major)
  list(GET Version 1 Minor)
  math(EXPR Next "${Minor} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kana)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # Byte code compiled on installation and removed before removal, as by dh_python3.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
      ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/python3-kana/postinst
      ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/debian/python3-kana/prerm)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python${Major} (>= ${Major}.${Minor}~), python${Major} (<< ${Major}.${Next})")
  string(JOIN "\n" CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Shift-JIS width, kana and letter-size converter - Python 3 module"
    "${KANA_ABOUT}"
    ""
    "This package holds the Python 3 module kana.")
  include(CPack)
endfunction()
# At the end of the top folder, when every install rule is known.
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL kana_debian_python)
