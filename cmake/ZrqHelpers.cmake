# zrq_add_subdirectories(DIR...): each folder listed must have its CMakeLists.txt; a folder
# named but missing is a mistake in the list, not something to skip in silence.
function(zrq_add_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${dir} is listed but has no CMakeLists.txt")
    endif()
    add_subdirectory(${dir})
  endforeach()
endfunction()

# zrq_test(NAME name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable, registered as one CTest entry.
function(zrq_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  # No test reaches the user's registry: what a test registers without choosing a registry
  # of its own lands in the build tree.
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT
    "ZRQ_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZRQ_BINARY_DIR=${CMAKE_BINARY_DIR};ZRQ_REGISTRY=${CMAKE_BINARY_DIR}/tests.registry.reg")
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
    # Tests labelled "thread" run once more under ThreadSanitizer (zrq test).
    if("thread" IN_LIST T_LABELS)
      add_dependencies(thread_tests ${T_NAME})
    endif()
  endif()
endfunction()

# zrq_bench(NAME name SOURCES ... LIBS ...)
# One Google Benchmark executable; `zrq bench` runs every bench_* program in bin/.
function(zrq_bench)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_include_directories(${B_NAME} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/bench)
endfunction()
