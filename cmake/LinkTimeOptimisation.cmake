# Link-time optimisation for pagevet: the hot path of a run crosses several source files
# (reader, parser, decimal conversion, writer) for every line of a listing, and only the
# linker can inline across them. Used where the toolchain supports it.
# Off for the sanitizer, fuzzer and analysis builds: they want the code as written, and
# clang's bitcode objects need a linker plugin that a plain system linker lacks.
option(PAGEVET_LTO "Link-time optimisation of pagevet" ON)
if(NOT PAGEVET_LTO)
    return()
endif()
include(CheckIPOSupported)
check_ipo_supported(RESULT pagevet_ipo_supported OUTPUT pagevet_ipo_output LANGUAGES CXX)
if(pagevet_ipo_supported)
    set_property(TARGET pagevet_lib pagevet PROPERTY INTERPROCEDURAL_OPTIMIZATION TRUE)
else()
    message(STATUS "Link-time optimisation not supported: ${pagevet_ipo_output}")
endif()
