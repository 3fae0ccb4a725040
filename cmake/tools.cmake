# Every tool is a plug-in: a MODULE library that exports only its entry points,
# compiled to Windows-1251 texts, with its files and clock going through the host's
# Windows run-time layer.
set(RIVET_TOOLS_DIR ${CMAKE_BINARY_DIR}/tools)
set(RIVET_CP1251_FLAGS -finput-charset=UTF-8 -fexec-charset=CP1251)
# The run-time calls the tools make under their standard names, served by libnxsim.
set(RIVET_WRAPPED_CRT -Wl,--wrap=fopen -Wl,--wrap=remove -Wl,--wrap=time -Wl,--wrap=localtime -Wl,--wrap=asctime)

function(rivet_add_tool name)
  cmake_parse_arguments(T "CLEANUP" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${T_SOURCES})
  set(exports "ufusr;ufusr_ask_unload;")
  if(T_CLEANUP)
    string(APPEND exports "ufusr_cleanup;")
  endif()
  set(vscript ${CMAKE_CURRENT_BINARY_DIR}/${name}.exports)
  file(WRITE ${vscript} "{ global: ${exports} local: *; };\n")
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${RIVET_TOOLS_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${vscript})
  # -fno-gnu-unique: a unique symbol would keep the library loaded after dlclose,
  # and the next run would see the old module state.
  target_compile_options(${name} PRIVATE ${RIVET_CP1251_FLAGS} -fno-gnu-unique)
  target_link_libraries(${name} PRIVATE ${T_LIBS} common nxsim_host)
  target_link_options(${name} PRIVATE ${RIVET_WRAPPED_CRT}
    -Wl,--version-script=${vscript} -Wl,--no-undefined)
  set_property(GLOBAL APPEND PROPERTY RIVET_TOOL_TARGETS ${name})
endfunction()
