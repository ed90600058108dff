# Warnings for all of pagevet's own code, on one INTERFACE target.
add_library(pagevet_warnings INTERFACE)

if(MSVC)
    target_compile_options(pagevet_warnings INTERFACE /W4 /permissive-)
    if(PAGEVET_WARNINGS_AS_ERRORS)
        target_compile_options(pagevet_warnings INTERFACE /WX)
    endif()
else()
    target_compile_options(pagevet_warnings INTERFACE
        -Wall -Wextra -Wpedantic
        -Wconversion -Wsign-conversion   # byte and length arithmetic must be explicit
        -Wshadow                         # a local hiding a member is a classic slip
        -Wold-style-cast -Wcast-qual     # casts say what they drop
        -Wnon-virtual-dtor -Woverloaded-virtual  # the platform layer is an interface
        -Wnull-dereference
        -Wformat=2
        -Wimplicit-fallthrough
        -Wmissing-declarations           # every free function is declared or file-local
    )
    if(PAGEVET_WARNINGS_AS_ERRORS)
        target_compile_options(pagevet_warnings INTERFACE -Werror)
    endif()
endif()
