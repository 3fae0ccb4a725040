# Prints the suite's plug-ins from tool_names.cmake, one per line, for the scripts:
#   cmake -P cmake/print_tool_names.cmake
#   cmake -DLIST=RIVET_TOOLS_WITH_CLEANUP -P cmake/print_tool_names.cmake
include(${CMAKE_CURRENT_LIST_DIR}/tool_names.cmake)
if(NOT DEFINED LIST)
  set(LIST RIVET_TOOL_NAMES)
endif()
if(NOT LIST MATCHES "^(RIVET_TOOL_NAMES|RIVET_TOOLS_WITH_CLEANUP)$")
  message(FATAL_ERROR "print_tool_names: LIST is RIVET_TOOL_NAMES or RIVET_TOOLS_WITH_CLEANUP, not ${LIST}")
endif()
list(JOIN ${LIST} "\n" names)
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${names}")
