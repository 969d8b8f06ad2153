# zrq_compile_idl(IDL OUTPUT_DIR): compiles an IDL file with widl into OUTPUT_DIR/<name>.h, the
# header hosts and the module include (C++ and C forms). Run at configure time, so that every
# target sees the header from its first compile; editing the IDL re-runs the configure step.
find_program(ZRQ_WIDL NAMES x86_64-w64-mingw32-widl widl
  DOC "the IDL compiler (Debian package mingw-w64-tools)")
function(zrq_compile_idl idl output_dir)
  if(NOT ZRQ_WIDL)
    message(FATAL_ERROR "widl, the IDL compiler, was not found: install Debian's mingw-w64-tools")
  endif()
  get_filename_component(name ${idl} NAME_WE)
  file(MAKE_DIRECTORY ${output_dir})
  set(header ${output_dir}/${name}.h)
  execute_process(
    COMMAND ${ZRQ_WIDL} -I ${CMAKE_SOURCE_DIR}/platform/idl -h -o ${header} ${idl}
    RESULT_VARIABLE result
    ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "widl failed on ${idl}:\n${errors}")
  endif()
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${idl})
endfunction()
