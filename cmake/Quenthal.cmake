# Shared build rules for every Quenthal target.

# Measuring instrument: results must be bit-exact, so no FMA contraction and no fast-math.
set(QUENTHAL_CXX_FLAGS -Wall -Wextra -Wpedantic -Werror -O2 -ffp-contract=off)

set(QUENTHAL_SANITIZER_FLAGS "")
if(QUENTHAL_SANITIZE STREQUAL "address")
  set(QUENTHAL_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(QUENTHAL_SANITIZE STREQUAL "thread")
  set(QUENTHAL_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT QUENTHAL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QUENTHAL_SANITIZE must be empty, address or thread")
endif()
if(QUENTHAL_FUZZ)
  # Libraries are instrumented for coverage; each fuzz target adds the libFuzzer main.
  list(APPEND QUENTHAL_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
endif()

function(quenthal_defaults target)
  target_compile_options(${target} PRIVATE ${QUENTHAL_CXX_FLAGS} ${QUENTHAL_SANITIZER_FLAGS})
  target_link_options(${target} PRIVATE ${QUENTHAL_SANITIZER_FLAGS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# One static library per folder; every .cpp in the folder belongs to it, so adding a module needs no
# CMake change. A folder with headers only becomes an interface library.
function(quenthal_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SYSTEM_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    quenthal_defaults(${name})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_SYSTEM_DEPS})
  endif()
endfunction()

# A GoogleTest suite from every .cpp in the calling folder, one CTest test per test case.
# LABELS: unit, e2e, gui, and tsan for the suites the ThreadSanitizer build runs. RUN_SERIAL: the
# suite's tests run alone (they share one audio server).
function(quenthal_test_suite name)
  cmake_parse_arguments(ARG "RUN_SERIAL" "TIMEOUT" "LABELS;LIBS;SOURCES" ${ARGN})
  if(QUENTHAL_SANITIZE STREQUAL "thread" AND NOT "tsan" IN_LIST ARG_LABELS)
    return()
  endif()
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${sources})
  quenthal_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  # Labels go on the folder: every discovered test of the suite carries them.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${ARG_LABELS})
  set(serial "")
  if(ARG_RUN_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${serial}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# A libFuzzer target (QUENTHAL_FUZZ builds only). tools/test runs every target listed in
# fuzz_targets.txt of the build folder for a bounded time; CORPUS is a folder of seed inputs.
function(quenthal_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  quenthal_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  file(APPEND ${PROJECT_BINARY_DIR}/fuzz_targets.txt "${CMAKE_CURRENT_BINARY_DIR}/${name} ${ARG_CORPUS}\n")
endfunction()

function(quenthal_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  quenthal_defaults(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

find_package(Threads REQUIRED)
if(NOT QUENTHAL_FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  if(QUENTHAL_BENCH)
    find_package(benchmark REQUIRED)
  endif()
endif()
# Fresh list of fuzz targets at every configure.
file(WRITE ${PROJECT_BINARY_DIR}/fuzz_targets.txt "")

# Adds every direct subfolder that has a CMakeLists.txt, so suites, drivers and benchmarks can be
# added folder by folder.
macro(quenthal_add_subfolders)
  file(GLOB _quenthal_children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _quenthal_children)
  foreach(_child IN LISTS _quenthal_children)
    if(IS_DIRECTORY ${_child} AND EXISTS ${_child}/CMakeLists.txt)
      add_subdirectory(${_child})
    endif()
  endforeach()
endmacro()
