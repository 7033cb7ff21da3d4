# Where the tools and their manuals go. POSIX: bin/ and a compressed man
# page in share/man/man1. Windows: the .exe, the README and the manual as
# plain text side by side, as a .zip user expects them.
include(GNUInstallDirs)
if(WIN32)
    set(RECSLICE_BIN_DIR .)
    install(FILES README.md DESTINATION .)
else()
    set(RECSLICE_BIN_DIR ${CMAKE_INSTALL_BINDIR})
endif()
find_program(GROFF groff)

# recslice_install(NAME): installs the tool NAME with its manual,
# doc/NAME.1.in, which gets the project's version.
function(recslice_install name)
    install(TARGETS ${name} RUNTIME DESTINATION ${RECSLICE_BIN_DIR})
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${name}.1)
    configure_file(doc/${name}.1.in ${page} @ONLY)
    if(NOT WIN32)
        file(ARCHIVE_CREATE OUTPUT ${page}.gz PATHS ${page} FORMAT raw COMPRESSION GZip COMPRESSION_LEVEL 9)
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        return()
    endif()
    if(NOT GROFF)
        message(WARNING "groff is missing: the Windows install has no ${name}.txt manual")
        return()
    endif()
    execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${page}
        OUTPUT_VARIABLE text RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "groff could not render ${page}")
    endif()
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.txt "${text}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.txt DESTINATION .)
endfunction()
