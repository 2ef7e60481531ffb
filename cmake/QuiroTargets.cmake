# Targets made by convention from the folder layout, so that adding a source or a test
# file is all it takes to build and run it:
#   src/<sub>/core/*.cpp   -> library <sub>_core        (every kind of tree; portable, no Win32)
#   src/<sub>/*.cpp        -> library <sub>_win32       (win32 tree only)
#   tests/<sub>/core/*.cpp -> executable <sub>_core_tests  (native: ASan+UBSan; win32: under Wine)
#   tests/<sub>/*.cpp      -> executable <sub>_win32_tests (win32 tree only, under Wine)
# A test folder with its own main.cpp links gtest instead of gtest_main.
# In the native tree each core library also exists as <sub>_core_san, built with the
# sanitizers, which the tests link; tools and benchmarks link the plain one.

set(QUIRO_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
# Build time is test time: the tests' own sources are compiled with little optimisation
# (they check behaviour, not speed; a third of the time of -O2 with the sanitizers), and the
# sanitized libraries at -O1, the sanitizers' usual level.
if(QUIRO_KIND STREQUAL "win32")
  # GCC 12 takes std::string's inlined copies in the precompiled GoogleTest headers for
  # out-of-bounds writes (a known false alarm outside system headers); the native tests
  # still check bounds, under the address sanitizer.
  set(QUIRO_TEST_COMPILE_FLAGS -O1 -Wno-array-bounds
      -Wno-stringop-overflow -Wno-stringop-overread)
else()
  set(QUIRO_TEST_COMPILE_FLAGS -O0 -g1)
endif()
set(QUIRO_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
set(QUIRO_WIN32_SYSLIBS user32 gdi32 comctl32 comdlg32 advapi32 shell32 oledlg ole32 oleaut32
                        uuid winmm winspool imm32 version ws2_32)

function(_quiro_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

function(_quiro_make_lib name sources deps_suffix sub kind)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    set(vis PUBLIC)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    set(vis INTERFACE)
  endif()
  foreach(dep ${QUIRO_DEPS_${sub}})
    target_link_libraries(${name} ${vis} ${dep}${deps_suffix})
  endforeach()
  if(kind STREQUAL "san")
    target_compile_options(${name} ${vis} ${QUIRO_SANITIZE_FLAGS})
    if(sources)
      target_compile_options(${name} PRIVATE -O1)
    endif()
    target_link_options(${name} ${vis} ${QUIRO_SANITIZE_FLAGS})
  elseif(kind STREQUAL "fuzz")
    target_compile_options(${name} ${vis} ${QUIRO_FUZZ_FLAGS})
  endif()
endfunction()

function(quiro_add_core_libraries)
  foreach(sub ${QUIRO_SUBSYSTEMS})
    _quiro_sources(srcs ${CMAKE_SOURCE_DIR}/src/${sub}/core)
    if(QUIRO_KIND STREQUAL "fuzz")
      _quiro_make_lib(${sub}_core "${srcs}" _core ${sub} fuzz)
    else()
      _quiro_make_lib(${sub}_core "${srcs}" _core ${sub} plain)
    endif()
    if(QUIRO_KIND STREQUAL "native")
      _quiro_make_lib(${sub}_core_san "${srcs}" _core_san ${sub} san)
    endif()
  endforeach()
endfunction()

function(quiro_add_win32_libraries)
  foreach(sub ${QUIRO_SUBSYSTEMS})
    _quiro_sources(srcs ${CMAKE_SOURCE_DIR}/src/${sub})
    list(FILTER srcs EXCLUDE REGEX "/src/console/Quiro\\.cpp$")
    _quiro_make_lib(${sub}_win32 "${srcs}" _win32 ${sub} plain)
    if(srcs)
      target_link_libraries(${sub}_win32 PUBLIC ${sub}_core ${QUIRO_WIN32_SYSLIBS})
      target_compile_definitions(${sub}_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX STRICT
                                 _WIN32_WINNT=0x0501 WINVER=0x0501)
    else()
      target_link_libraries(${sub}_win32 INTERFACE ${sub}_core ${QUIRO_WIN32_SYSLIBS})
    endif()
  endforeach()
endfunction()

function(_quiro_add_test name dir libs)
  _quiro_sources(srcs ${dir})
  if(NOT srcs)
    return()
  endif()
  # Every test program ends with the name of a test that hangs.
  list(APPEND srcs ${CMAKE_SOURCE_DIR}/tests/TestWatchdog.cpp)
  if(QUIRO_KIND STREQUAL "win32")
    # Win32 tests see the program's generated resources (fonts, string tables).
    add_executable(${name} ${srcs} ${QUIRO_GENERATED_RC})
    add_dependencies(${name} generated_resources)
  else()
    add_executable(${name} ${srcs})
  endif()
  target_compile_options(${name} PRIVATE ${QUIRO_TEST_COMPILE_FLAGS})
  # GoogleTest's and GoogleMock's headers once per test program, not once per source file
  # (they were most of a test file's compile time).
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  target_link_libraries(${name} PRIVATE ${libs} gmock)
  if(EXISTS ${dir}/main.cpp)
    target_link_libraries(${name} PRIVATE gtest)
  else()
    target_link_libraries(${name} PRIVATE gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE QUIRO_SOURCE_DIR="${QUIRO_SOURCE_PATH}"
                             QUIRO_BINARY_DIR="${QUIRO_BINARY_PATH}")
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ${QUIRO_KIND})
endfunction()

function(quiro_add_tests)
  foreach(sub ${QUIRO_SUBSYSTEMS})
    if(QUIRO_KIND STREQUAL "native")
      _quiro_add_test(${sub}_core_tests ${CMAKE_SOURCE_DIR}/tests/${sub}/core ${sub}_core_san)
    else()
      _quiro_add_test(${sub}_core_tests ${CMAKE_SOURCE_DIR}/tests/${sub}/core ${sub}_core)
      _quiro_add_test(${sub}_win32_tests ${CMAKE_SOURCE_DIR}/tests/${sub} ${sub}_win32)
    endif()
  endforeach()
endfunction()

# Nothing under a core/ folder may include a Win32 header: checked at every build.
function(quiro_check_core_portability)
  add_custom_target(check_core_portability ALL
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -P ${CMAKE_SOURCE_DIR}/cmake/CheckCore.cmake
    COMMENT "Checking that core/ folders stay portable")
endfunction()
