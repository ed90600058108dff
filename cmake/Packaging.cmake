# Installation and packages.
#
# On Unix `cmake --install` lays pagevet out the way the system expects: the program in
# bin/, its manual page (compressed, as Debian policy asks) in share/man/man1/, the README
# in share/doc/pagevet/. A Windows build has no common tree to merge into, so there
# everything sits side by side in one folder, with the manual page also rendered as
# plain text, since Windows has no `man`. CPack packs the same layout into a Debian
# package or, for Windows, a ZIP archive: `cpack -G DEB` or `cpack -G ZIP` in the build
# directory.
include(GNUInstallDirs)

set(PAGEVET_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/pagevet.1)
set(PAGEVET_README ${PROJECT_SOURCE_DIR}/README.md)
set(PAGEVET_PACKAGE_MAINTAINER
    "Seed e4b1ce60 maintainers <maintainers@users.noreply.c-seed-e4b1ce60.example>"
    CACHE STRING "Maintainer named in the packages (Name <address>)")

if(WIN32)
    # groff runs on the build host, also when the program is cross-built for Windows.
    find_program(PAGEVET_GROFF groff)
    set(manText ${PROJECT_BINARY_DIR}/docs/pagevet.txt)
    if(PAGEVET_GROFF)
        add_custom_command(OUTPUT ${manText}
            COMMAND ${CMAKE_COMMAND} -DGROFF=${PAGEVET_GROFF} -DMAN_PAGE=${PAGEVET_MAN_PAGE}
                    -DOUTPUT=${manText} -P ${PROJECT_SOURCE_DIR}/cmake/RenderManText.cmake
            DEPENDS ${PAGEVET_MAN_PAGE} ${PROJECT_SOURCE_DIR}/cmake/RenderManText.cmake
            COMMENT "Rendering the manual page as plain text"
            VERBATIM)
        add_custom_target(pagevet-man ALL DEPENDS ${manText})
    else()
        message(STATUS "groff not found: the Windows package carries the manual page "
                       "in roff only")
    endif()

    install(TARGETS pagevet RUNTIME DESTINATION .)
    install(FILES ${PAGEVET_README} ${PAGEVET_MAN_PAGE} DESTINATION .)
    if(PAGEVET_GROFF)
        install(FILES ${manText} DESTINATION .)
    endif()
else()
    find_program(PAGEVET_GZIP gzip)
    if(PAGEVET_GZIP)
        # -n keeps the name and time stamp out of the archive, so builds are reproducible.
        set(manPage ${PROJECT_BINARY_DIR}/docs/pagevet.1.gz)
        add_custom_command(OUTPUT ${manPage}
            COMMAND ${CMAKE_COMMAND} -E copy ${PAGEVET_MAN_PAGE} ${PROJECT_BINARY_DIR}/docs/pagevet.1
            COMMAND ${PAGEVET_GZIP} -9nf ${PROJECT_BINARY_DIR}/docs/pagevet.1
            DEPENDS ${PAGEVET_MAN_PAGE}
            COMMENT "Compressing the manual page"
            VERBATIM)
        add_custom_target(pagevet-man ALL DEPENDS ${manPage})
    else()
        set(manPage ${PAGEVET_MAN_PAGE})
    endif()

    install(TARGETS pagevet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${manPage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PAGEVET_README} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# What every package says about itself.
set(CPACK_PACKAGE_NAME pagevet)
set(CPACK_PACKAGE_VENDOR "pagevet maintainers")
set(CPACK_PACKAGE_CONTACT "${PAGEVET_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "filter file listings down to possible Btrieve files")
set(CPACK_PACKAGE_DESCRIPTION
"pagevet reads a listing of files on standard input, opens each file it
names and passes the line on only when the file could be a Btrieve
database file: a Btrieve 5.x file (first bytes 00 00) or a Btrieve
6.x/7.x file (first bytes the letters FC), with a length that is a
multiple of 512 bytes. The output is a shorter listing in the same
format, ready for the next step of a pipeline that hunts for databases
on a file server.

It reads comma-delimited listings (path, file name, three further fields
and the size) or bare lists of file names, and can skip opening files
whose listed size cannot belong to a database file.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are best read from the binary itself, with the minimum versions of
# the C and C++ runtimes it was built against. Without the Debian tools to read them,
# name the same libraries without versions.
find_program(PAGEVET_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(PAGEVET_FILE file)
if(PAGEVET_DPKG_SHLIBDEPS AND PAGEVET_FILE)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()

include(CPack)
