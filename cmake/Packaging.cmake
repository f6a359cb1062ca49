# A Debian package: cpack in the build folder. The programs are built the way Debian builds its
# own, the package carries the documents Debian asks of every package, and cpack refuses to
# build one whose Depends or hardening would be wrong.

# Debian's hardening (stack protector, fortified functions, read-only relocations bound at
# start) for every optimised build: the programs the tests and benchmarks run are the ones the
# package ships. Position-independent executables are the compiler's default on Debian. The
# build type keeps the say over optimisation and debug information, and sanitizer builds keep
# their own instrumentation.
option(VELMORA_HARDENING "Build optimised programs with Debian's hardening flags" ON)
find_program(VELMORA_DPKG_BUILDFLAGS dpkg-buildflags)
set(VELMORA_HARDENED OFF)
if(VELMORA_HARDENING AND NOT VELMORA_SANITIZE AND NOT VELMORA_FUZZ
    AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    if(VELMORA_DPKG_BUILDFLAGS)
        foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
            execute_process(
                COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${VELMORA_DPKG_BUILDFLAGS} --get ${kind}
                OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
            separate_arguments(flags UNIX_COMMAND "${flags}")
            list(FILTER flags EXCLUDE REGEX "^-g|^-O|^-ffile-prefix-map=")
            set(hardening_${kind} ${flags})
        endforeach()
        target_compile_options(velmora_project_options INTERFACE
            ${hardening_CPPFLAGS} ${hardening_CXXFLAGS})
        target_link_options(velmora_project_options INTERFACE ${hardening_LDFLAGS})
        set(VELMORA_HARDENED ON)
    else()
        message(STATUS "dpkg-buildflags not found (package dpkg-dev): building without "
            "Debian's hardening flags, and without the Debian package")
    endif()
endif()

# Debian strips what a program does not need to run: symbols, debug information and the
# compiler's .comment notes. cmake --install --strip and cpack strip only the first two.
foreach(program velmora velmora-count)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Orvantis")
set(CPACK_PACKAGE_CONTACT "Orvantis <velmora@orvantis.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "count the characters of every line of text files")
# Debian shows the long description as it stands: lines stay within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Velmora counts the characters of every line of plain-text files, in a\n"
    "window or with the command-line companion velmora-count. Lines can be\n"
    "filtered by a text, sorted by length and saved as a text file.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps (Qt's X11 platform plugin comes
# with libqt6gui6); the fonts the window is designed for are not linked, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Read by cpack itself, which knows nothing of this configuration but these CPACK_ values.
set(CPACK_VELMORA_HARDENED ${VELMORA_HARDENED})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageChecks.cmake)
include(CPack)
