# Builds that check pagevet rather than ship it: the fuzzer, and the static analysis. The
# sanitized test run needs nothing here; its preset only adds compiler flags.
option(PAGEVET_BUILD_FUZZER "Build the libFuzzer target (clang only; see the fuzz preset)" OFF)
if(PAGEVET_BUILD_FUZZER)
    add_subdirectory(tests/fuzz)
endif()
