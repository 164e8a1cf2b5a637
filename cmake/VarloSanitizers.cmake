# VARLO_TSAN: ThreadSanitizer build of everything (its tests find data races).
# VARLO_FUZZ: clang build with AddressSanitizer and UBSan whose code is instrumented for
# libFuzzer; the fuzz targets (varlo_fuzzer) are only made in such a build.
option(VARLO_TSAN "Build with ThreadSanitizer" OFF)
option(VARLO_FUZZ "Build the libFuzzer targets (clang; AddressSanitizer and UBSan)" OFF)

if(VARLO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VARLO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VARLO_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # The window layer's classes keep the class library's shape, whose derived Create
  # functions hide the base's on purpose; clang says so for each of them.
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -Wno-overloaded-virtual)
  add_link_options(-fsanitize=address,undefined)
endif()

# varlo_fuzzer(<name> SOURCES ... [LIBS ...]): one libFuzzer program, in fuzz builds only.
function(varlo_fuzzer name)
  if(NOT VARLO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} Threads::Threads -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY VARLO_FUZZERS ${name})
endfunction()
