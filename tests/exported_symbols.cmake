# Checks that LIBRARY exports exactly the library's functions: the dynamic symbol table of a
# shared object (nm), or the export table of a DLL when OBJDUMP names the objdump of its
# toolchain.
set(expected
  check_DEM check_YN check_file_extension check_las check_numeric_argument credits
  d_parallel_qs d_parallel_quicksort d_qs d_quicksort error_msg file_access
  initialize_header10 initialize_header11 initialize_header12
  l_parallel_qs l_parallel_quicksort l_qs l_quicksort update_header
  varnoke_las_check varnoke_las_check_at varnoke_las_check_ex varnoke_las_repair
  varnoke_las_repair_at varnoke_las_repair_ex
  varnoke_las_strerror varnoke_las_warning_code varnoke_las_warning_text)

set(found)
if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objdump failed on ${LIBRARY}")
  endif()
  # The names follow "[Ordinal/Name Pointer] Table", one "[   n] name" line each.
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" names "${table}")
  string(REGEX MATCHALL "[^\n]+" lines "${names}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
      list(APPEND found "${CMAKE_MATCH_1}")
    endif()
  endforeach()
else()
  execute_process(COMMAND nm -D --defined-only ${LIBRARY}
    OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${table}")
  foreach(line IN LISTS lines)
    # "address type name"; absolute linker symbols (type A) are not the library's.
    if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$" AND NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND found "${CMAKE_MATCH_2}")
    endif()
  endforeach()
endif()
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exported: ${found}\nexpected: ${expected}")
endif()
message(STATUS "exported: ${found}")
