# A deliverable is an ELF shared object with its Windows file name. It links
# its own copy of the common library (so it keeps its own process state),
# links the platform layer dynamically, and exports only the names of its
# version script.
function(vexl_add_deliverable name)
  cmake_parse_arguments(ARG "" "EXPORTS" "SOURCES" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".DLL"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${ARG_EXPORTS})
  target_link_libraries(${name} PRIVATE vexl_common vexlplatform)
  target_link_options(${name} PRIVATE "-Wl,--version-script=${ARG_EXPORTS}")
endfunction()
