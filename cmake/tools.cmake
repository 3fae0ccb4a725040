# Every tool is a plug-in: a MODULE library that exports only its entry points,
# compiled to Windows-1251 texts, with its files and clock going through the host's
# Windows run-time layer.
set(RIVET_TOOLS_DIR ${CMAKE_BINARY_DIR}/tools)
set(RIVET_CP1251_FLAGS -finput-charset=UTF-8 -fexec-charset=CP1251)

# The host's C interface as the tools see it: one include folder and one host library.
# A site that has the host's own headers and import library names them here.
set(RIVET_HOST_INCLUDE_DIR ${CMAKE_SOURCE_DIR}/nxsim/include CACHE PATH
    "Folder with the host's C interface headers (uf.h, uf_ui.h, ...)")
set(RIVET_HOST_LIBRARY nxsim_host CACHE STRING
    "Host library the tools link against: a CMake target or the path of an import library")
add_library(rivet_host_api INTERFACE)
target_include_directories(rivet_host_api INTERFACE ${RIVET_HOST_INCLUDE_DIR})
# win_crt.h names run-time calls, not host ones: a host folder without it gets ours.
if(NOT EXISTS ${RIVET_HOST_INCLUDE_DIR}/win_crt.h)
  configure_file(${CMAKE_SOURCE_DIR}/nxsim/include/win_crt.h ${CMAKE_BINARY_DIR}/win_crt/win_crt.h COPYONLY)
  target_include_directories(rivet_host_api INTERFACE ${CMAKE_BINARY_DIR}/win_crt)
endif()

if(WIN32)
  # On Windows the tools call the run-time's own functions; the host redirects
  # them per loaded tool (its import entries), so nothing is wrapped here.
  set(RIVET_MODULE_FLAGS "")
else()
  # -fno-gnu-unique: a unique symbol would keep the library loaded after dlclose,
  # and the next run would see the old module state.
  set(RIVET_MODULE_FLAGS -fno-gnu-unique)
  # The run-time calls the tools make under their standard names, served by libnxsim.
  set(RIVET_WRAPPED_CRT -Wl,--wrap=fopen -Wl,--wrap=remove -Wl,--wrap=time -Wl,--wrap=localtime -Wl,--wrap=asctime)
endif()

function(rivet_add_tool name)
  cmake_parse_arguments(T "CLEANUP" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${T_SOURCES})
  set(exports "ufusr;ufusr_ask_unload;")
  if(T_CLEANUP)
    string(APPEND exports "ufusr_cleanup;")
  endif()
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${RIVET_TOOLS_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${name} PRIVATE ${RIVET_CP1251_FLAGS} ${RIVET_MODULE_FLAGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} common ${RIVET_HOST_LIBRARY})
  if(WIN32)
    # Exports are the dllexport entry points alone; the DLL imports only the host and msvcrt.
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  else()
    set(vscript ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports)
    file(WRITE ${vscript} "{ global: ${exports} local: *; };\n")
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${vscript})
    target_link_options(${name} PRIVATE ${RIVET_WRAPPED_CRT}
      -Wl,--version-script=${vscript} -Wl,--no-undefined
      # libnxsim serves the wrapped calls of whatever the link adds too (libgcov's fopen
      # under --coverage), also for a tool that makes none of its own.
      -Wl,--no-as-needed)
  endif()
  set_property(GLOBAL APPEND PROPERTY RIVET_TOOL_TARGETS ${name})
endfunction()
