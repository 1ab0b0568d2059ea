# The office's C++ UNO interface: headers generated from its type libraries with
# cppumaker (at configure time; it takes under a second), the definitions its headers
# need, and the URE libraries. Targets link `ostrel_uno`.
include_guard(GLOBAL)

set(OSTREL_LO_PROGRAM_DIR "/usr/lib/libreoffice/program" CACHE PATH "The office's program folder")
set(OSTREL_LO_SDK_DIR "/usr/lib/libreoffice/sdk" CACHE PATH "The office's SDK folder")

find_program(OSTREL_CPPUMAKER cppumaker HINTS "${OSTREL_LO_SDK_DIR}/bin" REQUIRED)
set(_ostrel_uno_rdbs "${OSTREL_LO_PROGRAM_DIR}/types.rdb" "${OSTREL_LO_PROGRAM_DIR}/types/offapi.rdb")
set(OSTREL_UNO_HEADERS_DIR "${CMAKE_BINARY_DIR}/uno-headers")

set(_ostrel_uno_stamp "${OSTREL_UNO_HEADERS_DIR}/.generated")
set(_ostrel_uno_fresh TRUE)
foreach(rdb IN LISTS _ostrel_uno_rdbs)
  if(NOT EXISTS "${_ostrel_uno_stamp}" OR "${rdb}" IS_NEWER_THAN "${_ostrel_uno_stamp}")
    set(_ostrel_uno_fresh FALSE)
  endif()
endforeach()
if(NOT _ostrel_uno_fresh)
  execute_process(
    COMMAND "${OSTREL_CPPUMAKER}" -Gc "-O${OSTREL_UNO_HEADERS_DIR}" ${_ostrel_uno_rdbs}
    RESULT_VARIABLE _ostrel_uno_result)
  if(NOT _ostrel_uno_result EQUAL 0)
    message(FATAL_ERROR "cppumaker failed (${_ostrel_uno_result})")
  endif()
  file(TOUCH "${_ostrel_uno_stamp}")
endif()

add_library(ostrel_uno INTERFACE)
target_include_directories(ostrel_uno SYSTEM INTERFACE /usr/include/libreoffice
                                                        "${OSTREL_UNO_HEADERS_DIR}")
target_compile_definitions(ostrel_uno INTERFACE LINUX UNX GCC CPPU_ENV=gcc3)
target_link_libraries(ostrel_uno INTERFACE
  "${OSTREL_LO_SDK_DIR}/lib/libuno_cppu.so"
  "${OSTREL_LO_SDK_DIR}/lib/libuno_cppuhelpergcc3.so"
  "${OSTREL_LO_SDK_DIR}/lib/libuno_sal.so")
# The URE libraries live in the office's program folder at run time.
set_property(TARGET ostrel_uno APPEND PROPERTY INTERFACE_LINK_OPTIONS
  "LINKER:-rpath,${OSTREL_LO_PROGRAM_DIR}")
