# Runs pagevet on the example listing and shows what passed and why, in two sections.
# Usage: cmake -DPAGEVET=<path to pagevet> -P run-example.cmake (from the examples folder)
execute_process(
    COMMAND "${PAGEVET}" /5 /6 /D
    INPUT_FILE listing.txt
    OUTPUT_VARIABLE passed
    ERROR_VARIABLE messages
    RESULT_VARIABLE status)
string(REPLACE "\r" "" passed "${passed}")
string(REPLACE "\r" "" messages "${messages}")
message("pagevet /5 /6 /D < examples/listing.txt\n")
message("Messages (standard error): what each line met\n${messages}")
message("Passed lines (standard output): the files that could be Btrieve files\n${passed}")
message("Exit status: ${status}")
