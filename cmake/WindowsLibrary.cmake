# A library with a Windows file name: an ELF shared object named as Windows
# names it (FILE, say "tz4manNT.dll"), exporting only the names of its version
# script (EXPORTS). A STANDIN is a library of the outside world that reads its
# scenario afresh at each load: no state of it may outlive an unload.
function(vexl_add_windows_library target)
  cmake_parse_arguments(ARG "STANDIN" "FILE;EXPORTS" "SOURCES;LIBRARIES" ${ARGN})
  get_filename_component(stem ${ARG_FILE} NAME_WE)
  get_filename_component(suffix ${ARG_FILE} EXT)
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${stem}
    PREFIX ""
    SUFFIX ${suffix}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${ARG_EXPORTS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_LIBRARIES} vexlplatform_host)
  target_link_options(${target} PRIVATE "-Wl,--version-script=${ARG_EXPORTS}")
  if(ARG_STANDIN)
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
  endif()
endfunction()

# A deliverable links its own copy of the common library (so it keeps its own
# process state) and the platform layer dynamically.
function(vexl_add_deliverable name)
  cmake_parse_arguments(ARG "" "EXPORTS" "SOURCES" ${ARGN})
  vexl_add_windows_library(${name} FILE ${name}.DLL SOURCES ${ARG_SOURCES}
    EXPORTS ${ARG_EXPORTS} LIBRARIES vexl_common)
endfunction()
