# The README's example program (its one block marked c) is examples/lasstatus.c, which the project
# builds: the program a user copies compiles.
#
#   cmake -DREADME=README.md -DEXAMPLE=examples/lasstatus.c -P readme_example.cmake
file(READ ${README} readme)
string(FIND "${readme}" "```c\n" start)
if(start EQUAL -1)
  message(FATAL_ERROR "no block marked c in ${README}")
endif()
math(EXPR start "${start} + 5")
string(SUBSTRING "${readme}" ${start} -1 rest)
string(FIND "${rest}" "```\n" end)
string(SUBSTRING "${rest}" 0 ${end} block)
file(READ ${EXAMPLE} example)
if(NOT block STREQUAL example)
  message(FATAL_ERROR "the README's block marked c differs from ${EXAMPLE}")
endif()
