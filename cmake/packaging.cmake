# Packages from cpack: a .tar.gz and a .deb on Linux, a .zip on Windows
# (the package and windows-package workflows).
set(CPACK_PACKAGE_NAME recslice)
set(CPACK_PACKAGE_VENDOR recslice)
set(CPACK_PACKAGE_CONTACT "The recslice developers <recslice@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of the long description stay short, as Debian wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "recslice reads a flat binary file of fixed-length records, skips a"
    "header of a given size, and writes each record to a UNF file as its"
    "length in decimal, a comma, the raw bytes and CR LF, ending the file"
    "with one 0x1A byte. It reports its settings, turns a spinner while it"
    "copies and prints a one-line summary. Every failure is one message and"
    "exit status 1, and a failed run leaves only whole records behind."
    "."
    "unfcheck reads a UNF file back: it proves the file whole, or names the"
    "byte where it breaks, and writes the records' bytes out again.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY recslice)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Depends: worked out from what the binaries link against.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
