# Warning set shared by every target of the project.
function(k7_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion)
    if(K7_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
