# Our own targets build clean: every warning is an error.
function(recslice_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
