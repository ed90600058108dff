# Renders the manual page as plain text with Windows line ends, for the Windows package,
# where there is no `man` to read the page with.
# Usage: cmake -DGROFF=<groff> -DMAN_PAGE=<pagevet.1> -DOUTPUT=<pagevet.txt> -P RenderManText.cmake
execute_process(
    COMMAND "${GROFF}" -man -Tascii -P-cbou "${MAN_PAGE}"
    OUTPUT_VARIABLE text
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "groff could not render ${MAN_PAGE} (status ${status})")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
