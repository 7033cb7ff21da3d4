# Checks that the .exe carries its manifest: cmake -DEXE=recslice.exe -P manifest.cmake
file(STRINGS "${EXE}" settings REGEX "activeCodePage|longPathAware")
foreach(setting activeCodePage longPathAware)
    if(NOT settings MATCHES "<${setting}[^>]*>(UTF-8|true)</${setting}>")
        message(FATAL_ERROR "${EXE} has no ${setting} setting in its manifest")
    endif()
endforeach()
message(STATUS "${EXE}: manifest with activeCodePage UTF-8 and longPathAware")
