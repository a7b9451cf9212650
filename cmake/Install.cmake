# What an installation holds and how CPack packs it, for both targets in one place.
#
# Linux (cmake --install, or the Debian package, cpack -G DEB):
#   bin/            kanaconv, ostrel (neither needs libkana.so: no RPATH)
#   lib/            libkana.so.1 (SONAME) and the libkana.so link; libhanzen.a, the engine
#   include/        kana.h; hanzen/HanZen.h and hanzen/Component.h
#   lib/pkgconfig/  kana.pc
#   lib/cmake/kana/ the CMake package: kana::kana, kana::hanzen
#   share/          man/man1/kanaconv.1 and ostrel.1, bash-completion/completions/kanaconv,
#                   doc/kana/README.md and LICENSE
# Windows (the zip, cpack -G ZIP): Kana.dll, ostrel.exe, kana.h, README.txt and
#   LICENSE.txt side by side, in a folder named after the package.
include(GNUInstallDirs)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME kana)
set(CPACK_PACKAGE_VENDOR "the kana converter authors")
set(CPACK_PACKAGE_CONTACT "the kana converter authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shift-JIS width, kana and letter-size converter")
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

install(TARGETS kanaconv ostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kana EXPORT kanaTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/kana.h ${PROJECT_SOURCE_DIR}/include/kana.hpp
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The engine for C++ users who want THanZen itself; its headers in a folder of their own.
install(TARGETS hanzen EXPORT kanaTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hanzen)
install(FILES ${PROJECT_SOURCE_DIR}/engine/include/HanZen.h
              ${PROJECT_SOURCE_DIR}/engine/include/Component.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/hanzen)

# find_package(kana): the targets, a config and a version file.
include(CMakePackageConfigHelpers)
set(KANA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kana)
install(EXPORT kanaTargets NAMESPACE kana:: DESTINATION ${KANA_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kanaConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/kanaConfig.cmake
                              INSTALL_DESTINATION ${KANA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kanaConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kanaConfig.cmake ${PROJECT_BINARY_DIR}/kanaConfigVersion.cmake
        DESTINATION ${KANA_CMAKE_DIR})

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
install(FILES ${PROJECT_BINARY_DIR}/kana.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The man pages (hand-written roff beside their programs, NAME.1.in, the version filled
# in at build time into man/NAME.1), the bash completion and the documents.
set(KANA_MAN_PAGES)
foreach(Page cli/kanaconv.1 ostrel/ostrel.1)
  get_filename_component(Name ${Page} NAME)
  configure_file(${PROJECT_SOURCE_DIR}/${Page}.in ${PROJECT_BINARY_DIR}/man/${Name} @ONLY)
  list(APPEND KANA_MAN_PAGES ${PROJECT_BINARY_DIR}/man/${Name})
endforeach()
install(FILES ${KANA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/cli/kanaconv.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kanaconv)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: everything above under /usr, stripped; its dependencies from
# dpkg-shlibdeps (dpkg-dev), and a shlibs file so that packages built against
# libkana.so.1 depend on this one.
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "kanaconv converts Japanese text held in Shift-JIS (code page 932) or UTF-8:"
  "half-width and full-width characters, hiragana and katakana, big and small"
  "letters, and tabs into spaces. Every byte that no option converts comes out"
  "as it went in, and each file is replaced in one step."
  ""
  "The package also holds the shared library libkana with its C header, the"
  "conversion engine as a static C++ library, the CMake and pkg-config files to"
  "build against them, and ostrel, which removes the converter's settings.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion, pkg-config")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
