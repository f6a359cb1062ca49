# Read by cpack before it builds each package. Without dpkg-shlibdeps CPack would quietly build
# a package that names none of the libraries it links, which installs and then cannot start.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(dpkg_shlibdeps dpkg-shlibdeps)
    if(NOT dpkg_shlibdeps OR NOT CPACK_VELMORA_HARDENED)
        message(FATAL_ERROR
            "A Debian package needs dpkg-shlibdeps and dpkg-buildflags (package dpkg-dev) and "
            "an optimised build with VELMORA_HARDENING on. Run scripts/install-dependencies.sh package, then configure "
            "this build folder again with -DCMAKE_BUILD_TYPE=Release.")
    endif()
endif()
