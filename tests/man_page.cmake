# Checks that the man page MAN_PAGE formats without a warning from GROFF, and that its text holds
# every piece of every message that the sources in SOURCES (a list separated by '|') can print.
# A message is a string literal holding a newline or a carriage return; its pieces are the texts
# between line breaks and printf directives.
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${GROFF} -man -Tascii -ww -z ${MAN_PAGE}
  RESULT_VARIABLE failed ERROR_VARIABLE warnings)
if(failed OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff: ${warnings}")
endif()
# One very long line per paragraph, no hyphenation and no emphasis, spaces collapsed.
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou -rLL=2000n -rHY=0 ${MAN_PAGE}
  OUTPUT_VARIABLE text RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "groff failed on ${MAN_PAGE}")
endif()
string(REGEX REPLACE "[ \n]+" " " text "${text}")

# Messages of the library that Quillfen never prints.
set(not_printed_by_the_tool "already exists" "Same file name (" ") has been specified twice")

string(REPLACE "|" ";" sources "${SOURCES}")
set(missing)
set(checked 0)
foreach(source IN LISTS sources)
  file(READ ${source} code)
  string(REGEX MATCHALL "\"([^\"\\\\]|\\\\.)*\"" literals "${code}")
  foreach(literal IN LISTS literals)
    if(NOT literal MATCHES "\\\\[nr]")
      continue()
    endif()
    string(REGEX REPLACE "^\"|\"$" "" literal "${literal}")
    string(REPLACE "\\\"" "\"" literal "${literal}")
    string(REGEX REPLACE "\\\\[nr]|%[scu]" ";" pieces "${literal}")
    foreach(piece IN LISTS pieces)
      string(STRIP "${piece}" piece)
      string(LENGTH "${piece}" length)
      if(length LESS 3 OR piece IN_LIST not_printed_by_the_tool)
        continue()
      endif()
      math(EXPR checked "${checked} + 1")
      string(FIND "${text}" "${piece}" at)
      if(at EQUAL -1)
        list(APPEND missing "${piece}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR "not in ${MAN_PAGE}:\n  ${missing}")
endif()
message(STATUS "${checked} message pieces found in ${MAN_PAGE}")
