# Checks that the public header HEADER states the project version VERSION, and, when LIBRARY
# names a shared library built for Linux, that its SONAME ends in .so.<major version>; OBJDUMP is
# the objdump of its toolchain.
#
# The version is written twice: in project() of the top CMakeLists.txt, where the build, the
# package files and the SONAME take it from, and in the header, which is installed as it stands
# and must tell a program the version without the build system. This check keeps the two equal.
cmake_minimum_required(VERSION 3.20)

file(READ ${HEADER} header)
set(numbers)
foreach(part MAJOR MINOR PATCH)
  # A plain integer literal, so that a program can compare it in #if.
  if(NOT header MATCHES "\n#define VARNOKE_LIDAR_VERSION_${part} ([0-9]+)\n")
    message(FATAL_ERROR "${HEADER}: no VARNOKE_LIDAR_VERSION_${part} as a plain integer literal")
  endif()
  list(APPEND numbers ${CMAKE_MATCH_1})
endforeach()
list(JOIN numbers "." numbers)
if(NOT header MATCHES "\n#define VARNOKE_LIDAR_VERSION_STRING \"([^\"\n]*)\"\n")
  message(FATAL_ERROR "${HEADER}: no VARNOKE_LIDAR_VERSION_STRING as a string literal")
endif()
set(text ${CMAKE_MATCH_1})
if(NOT numbers STREQUAL VERSION OR NOT text STREQUAL VERSION)
  message(FATAL_ERROR "${HEADER} states version ${numbers} (\"${text}\"), the project ${VERSION}")
endif()

if(LIBRARY)
  execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
  endif()
  string(REGEX MATCH "\n *SONAME +([^\n]+)\n" line "${table}")
  set(soname ${CMAKE_MATCH_1})
  string(REGEX MATCH "^[0-9]+" major ${VERSION})
  if(NOT soname MATCHES "\\.so\\.${major}$")
    message(FATAL_ERROR "${LIBRARY}: SONAME '${soname}' does not end in .so.${major}")
  endif()
  message(STATUS "SONAME ${soname}")
endif()
message(STATUS "version ${VERSION}")
