# What an installation holds and how CPack packs it, for both targets in one place.
#
# Linux, cmake --install (every component):
#   bin/            kanaconv, ostrel (neither needs libkana.so: no RPATH)       programs
#   lib/            libkana.so.1 (SONAME) and the file it names                 library
#                   the libkana.so link; libhanzen.a, the engine                development
#   include/        kana.h; hanzen/HanZen.h and hanzen/Component.h              development
#   lib/pkgconfig/  kana.pc                                                     development
#   lib/cmake/kana/ the CMake package: kana::kana, kana::hanzen                 development
#   share/          bash-completion/completions/kanaconv                        programs
#                   man/man1/kanaconv.1 and ostrel.1, doc/kana/README.md and    documents
#                   LICENSE
#   the Python module, in KANA_INSTALL_PYTHONDIR                                python
# The Debian packages (cpack -G DEB) are made of these components, each with its own
# documents instead of the last (cmake/DebianPackages.cmake).
# Windows (the zip, cpack -G ZIP): Kana.dll, ostrel.exe, kana.h, README.txt and
#   LICENSE.txt side by side, in a folder named after the package.
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME kana)
set(CPACK_PACKAGE_VENDOR "the kana converter authors")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

if(WIN32)
  # The DLL alone, without its import library: hosts load it by name.
  install(PROGRAMS $<TARGET_FILE:kana> $<TARGET_FILE:ostrel> DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/include/kana.h DESTINATION .)
  # Text files for Windows: CR LF line ends.
  configure_file(${PROJECT_SOURCE_DIR}/kana/README-Windows.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win32)
  include(CPack)
  return()
endif()

# The public headers, by their folder under include/: a new one is one more name here.
set(KANA_HEADERS ${PROJECT_SOURCE_DIR}/include/kana.h ${PROJECT_SOURCE_DIR}/include/kana.hpp)
set(KANA_HANZEN_HEADERS ${PROJECT_SOURCE_DIR}/engine/include/HanZen.h
                        ${PROJECT_SOURCE_DIR}/engine/include/Component.h)

install(TARGETS kanaconv ostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
# The library without an execute bit: the loader needs none, and Debian forbids it.
install(TARGETS kana EXPORT kanaTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
                NAMELINK_COMPONENT development
                PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${KANA_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
# The engine for C++ users who want THanZen itself; its headers in a folder of their own.
install(TARGETS hanzen EXPORT kanaTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hanzen)
install(FILES ${KANA_HANZEN_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hanzen
        COMPONENT development)

# find_package(kana): the targets, a config and a version file.
include(CMakePackageConfigHelpers)
set(KANA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kana)
install(EXPORT kanaTargets NAMESPACE kana:: DESTINATION ${KANA_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kanaConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kanaConfig.cmake
                              INSTALL_DESTINATION ${KANA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kanaConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kanaConfig.cmake ${PROJECT_BINARY_DIR}/kanaConfigVersion.cmake
        DESTINATION ${KANA_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from the file's own place, so that an installation
# with --prefix, DESTDIR or into a package's root means what it says.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(KANA_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH Up "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" Up "${Up}")
  set(KANA_PC_PREFIX "\${pcfiledir}/${Up}")
endif()
foreach(Dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${Dir}}")
    set(KANA_PC_${Dir} ${CMAKE_INSTALL_${Dir}})
  else()
    set(KANA_PC_${Dir} "\${prefix}/${CMAKE_INSTALL_${Dir}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kana.pc.in ${PROJECT_BINARY_DIR}/kana.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kana.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The man pages (hand-written roff beside their programs, NAME.1.in, the version filled
# in at build time into man/NAME.1), the bash completion and the documents.
set(KANA_MAN_PAGES)
foreach(Page cli/kanaconv.1 ostrel/ostrel.1)
  get_filename_component(Name ${Page} NAME)
  configure_file(${PROJECT_SOURCE_DIR}/${Page}.in ${PROJECT_BINARY_DIR}/man/${Name} @ONLY)
  list(APPEND KANA_MAN_PAGES ${PROJECT_BINARY_DIR}/man/${Name})
endforeach()
install(FILES ${KANA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT documents)
install(FILES ${PROJECT_SOURCE_DIR}/cli/kanaconv.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kanaconv
        COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT documents)

include(${CMAKE_CURRENT_LIST_DIR}/DebianPackages.cmake)
