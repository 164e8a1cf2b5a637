# varlo_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [RESOURCE_LOCK lock...] [LABELS ...])
# One GoogleTest program; every case becomes a CTest test with a timeout, so a case that
# would wait for ever fails instead.  Tests that bind the product's fixed ports (1719, 1721,
# 2002) name that port as their RESOURCE_LOCK; tests that drive the X display with simulated
# input (one pointer and one keyboard focus for all) take the lock "x_display".  A program
# may name several locks; every case then holds all of them.
#
# REALTIME_AUDIO <regex>: the cases whose full names match carry real-time audio through
# paced sound devices; they get the label "realtime-audio", the only tests that the test
# command runs a second time when they fail (a loaded machine can make them miss a deadline).
function(varlo_test name)
  cmake_parse_arguments(T "" "TIMEOUT;REALTIME_AUDIO" "SOURCES;LIBS;LABELS;RESOURCE_LOCK" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main Threads::Threads)
  set(props TIMEOUT ${T_TIMEOUT})
  list(LENGTH T_RESOURCE_LOCK lock_count)
  if(lock_count EQUAL 1)
    list(APPEND props RESOURCE_LOCK ${T_RESOURCE_LOCK})
  endif()
  if(NOT T_LABELS)
    # By default a test is labelled with the part of the system it tests, the folder under
    # tests/ ("stack", "engine", "ui"...), so that a run can pick parts ("ctest -L").
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX REPLACE "/.*" "" T_LABELS "${rel}")
  endif()
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
  if(T_REALTIME_AUDIO)
    set(audio_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_audio.cmake)
    file(WRITE ${audio_script}
      "foreach(t IN LISTS ${name}_TESTS)\n  if(t MATCHES \"${T_REALTIME_AUDIO}\")\n    set_tests_properties(\${t} PROPERTIES LABELS \"${T_LABELS};realtime-audio\")\n  endif()\nendforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${audio_script})
  endif()
  if(lock_count GREATER 1)
    # gtest_discover_tests flattens a list-valued property, so several locks are set by a
    # script that CTest runs after the discovered cases have been defined (it comes after
    # the discovery's own script in the folder's list).
    set(lock_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_locks.cmake)
    file(WRITE ${lock_script}
      "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES RESOURCE_LOCK \"${T_RESOURCE_LOCK}\")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${lock_script})
  endif()
endfunction()

# varlo_benchmark(<name> SOURCES ... [LIBS ...] [RESOURCE_LOCK lock...])
# A Google Benchmark program.  CTest runs it once, briefly and under the label "bench", to
# keep it working; real measurements are taken by running the program by hand.  One that
# shows windows takes "x_display": its windows would cover those of a window test.
function(varlo_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS;RESOURCE_LOCK" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name} --benchmark_min_time=0.01)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS bench)
  if(B_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${B_RESOURCE_LOCK}")
  endif()
endfunction()
