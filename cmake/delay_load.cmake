# Delay-load import libraries from platform/win/delay_loaded.txt: for each DLL
# a .def file with the names as the system's import library spells them (with
# the @N of stdcall on 32 bit), turned into a library whose imports load the
# DLL on the first call (dlltool --output-delaylib; the helper comes from
# mingw-w64's libdelayimp). Sets KV_DELAY_LIBS, KV_DELAY_REPLACED and
# KV_DELAY_LINK_OPTIONS.
#
# On 32 bit, ld keeps an import member's code only when something names it,
# and the program names only __imp__Name@N: the jump stub that the delay slot
# starts out pointing to was dropped, the slot stayed 0, and the first call
# into the DLL jumped to address 0. --undefined names every stub.
set(KV_DELAY_LIBS "")
set(KV_DELAY_REPLACED "")
set(KV_DELAY_LINK_OPTIONS "")
find_program(KV_DLLTOOL ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)
find_program(KV_NM ${TOOLCHAIN_PREFIX}-nm REQUIRED)
set(KV_DELAY_LIST ${CMAKE_SOURCE_DIR}/platform/win/delay_loaded.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KV_DELAY_LIST})
file(STRINGS ${KV_DELAY_LIST} kv_delay_lines REGEX "^[^#]")
foreach(line IN LISTS kv_delay_lines)
  string(REPLACE " " ";" fields "${line}")
  list(POP_FRONT fields dll implib)
  find_file(kv_implib_${implib} lib${implib}.a PATHS /usr/${TOOLCHAIN_PREFIX}/lib NO_DEFAULT_PATH REQUIRED)
  execute_process(COMMAND ${KV_NM} ${kv_implib_${implib}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  set(def "LIBRARY \"${dll}\"\nEXPORTS\n")
  foreach(function IN LISTS fields)
    # "__imp_Name" on 64 bit, "__imp__Name@8" on 32 bit.
    if(NOT symbols MATCHES "__imp__?(${function}(@[0-9]+)?)\n")
      message(FATAL_ERROR "${function} steht nicht in lib${implib}.a")
    endif()
    string(APPEND def "${CMAKE_MATCH_1}\n")
    if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
      list(APPEND KV_DELAY_LINK_OPTIONS "-Wl,--undefined=_${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(def_file ${CMAKE_BINARY_DIR}/delay/${implib}.def)
  set(delay_lib ${CMAKE_BINARY_DIR}/delay/lib${implib}_delay.a)
  file(WRITE ${def_file}.new "${def}")
  file(COPY_FILE ${def_file}.new ${def_file} ONLY_IF_DIFFERENT)
  add_custom_command(OUTPUT ${delay_lib}
    COMMAND ${KV_DLLTOOL} --kill-at --input-def ${def_file} --dllname ${dll} --output-delaylib ${delay_lib}
    DEPENDS ${def_file}
    COMMENT "Delay-load library for ${dll}")
  list(APPEND KV_DELAY_LIBS ${delay_lib})
  list(APPEND KV_DELAY_REPLACED ${implib})
endforeach()
add_custom_target(kv_delay_libs DEPENDS ${KV_DELAY_LIBS})
