# Native build: the logic against the test double, plus the Wine tests registered with ctest.
# The static analysis reads this tree's compile commands; the logic library was made before.
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
set_property(TARGET qc_logic PROPERTY EXPORT_COMPILE_COMMANDS ON)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

file(GLOB QC_SUPPORT_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
add_library(qc_test_support STATIC ${QC_SUPPORT_SOURCES})
target_include_directories(qc_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(qc_test_support PUBLIC qc_logic)
# In native builds the logic's DefaultPlatform() is the double's.
set_property(TARGET qc_logic APPEND PROPERTY INTERFACE_LINK_LIBRARIES qc_test_support)

file(GLOB QC_UNIT_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(qc_unit_tests ${QC_UNIT_SOURCES})
target_link_libraries(qc_unit_tests PRIVATE qc_test_support GTest::gtest GTest::gtest_main Threads::Threads)
include(GoogleTest)
gtest_discover_tests(qc_unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)

# A second native tree built with AddressSanitizer and UndefinedBehaviorSanitizer (scripts/test.sh
# makes it with clang in build/sanitize): the unit tests and, with clang, the fuzz targets.
option(QC_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(QC_SANITIZE)
  set(QC_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  set(QC_FUZZ OFF)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(QC_FUZZ ON)
    # Coverage for the fuzzer in the code under test; the fuzzer's main is linked only into
    # the fuzz targets.
    list(APPEND QC_SANITIZE_FLAGS -fsanitize=fuzzer-no-link)
  endif()
  foreach(t qc_logic qc_test_support qc_unit_tests)
    target_compile_options(${t} PRIVATE ${QC_SANITIZE_FLAGS})
  endforeach()
  target_link_options(qc_unit_tests PRIVATE -fsanitize=address,undefined)
  if(QC_FUZZ)
    file(GLOB QC_FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
    foreach(src ${QC_FUZZ_SOURCES})
      get_filename_component(name ${src} NAME_WE)
      add_executable(${name} ${src})
      target_link_libraries(${name} PRIVATE qc_test_support)
      target_compile_options(${name} PRIVATE ${QC_SANITIZE_FLAGS})
      target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    endforeach()
  endif()
endif()

# Runs the sanitized tree's programs from this tree's ctest: scripts/test.sh passes its folder.
set(QC_SANITIZE_BUILD_DIR "" CACHE PATH "Folder of the sanitizer build (clang) whose tests to run")
if(QC_SANITIZE_BUILD_DIR)
  add_test(NAME sanitized_unit_tests COMMAND ${QC_SANITIZE_BUILD_DIR}/qc_unit_tests)
  set_tests_properties(sanitized_unit_tests PROPERTIES LABELS sanitize TIMEOUT 900
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
  # Each target runs from its seed corpus for a bounded number of inputs. New inputs go to a
  # scratch folder, never into the repository's seeds.
  file(GLOB QC_FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*_fuzz.cpp)
  set(QC_FUZZ_RUNS 20000 CACHE STRING "Inputs each fuzz target tries in the test run")
  foreach(src ${QC_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name} COMMAND ${QC_SANITIZE_BUILD_DIR}/${name} -runs=${QC_FUZZ_RUNS} -seed=1
      -max_total_time=30 -artifact_prefix=${work}/ ${work} ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
  endforeach()
endif()

# clang-tidy and cppcheck over src/ with the checked-in configuration.
add_test(NAME static_analysis_clang_tidy
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/static_analysis.sh clang-tidy ${CMAKE_BINARY_DIR})
add_test(NAME static_analysis_cppcheck
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/static_analysis.sh cppcheck ${CMAKE_BINARY_DIR})
set_tests_properties(static_analysis_clang_tidy static_analysis_cppcheck PROPERTIES
  LABELS analysis TIMEOUT 1500)

# Tests of the Windows build, run under Wine. scripts/test.sh builds that tree and passes its folder.
set(QC_WIN_BUILD_DIR "" CACHE PATH "Folder of the mingw build of the product")
set(QC_WINE_BUILD_DIR "${QC_WIN_BUILD_DIR}" CACHE PATH "Folder of the mingw build whose programs the Wine tests run")
if(QC_WIN_BUILD_DIR)
  # The hardening and resources of the built program, read by python3-pefile (with Debian's
  # interpreter, the one that package is installed for).
  add_test(NAME pe_hardening COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/pe/check_exe.py
    "${QC_WIN_BUILD_DIR}/Quorin Cleaner.exe" ${CMAKE_CURRENT_SOURCE_DIR}/CMakeLists.txt)
  set_tests_properties(pe_hardening PROPERTIES LABELS pe)
  add_test(NAME reproducible_build COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/release/reproducible_build_test.sh
    ${QC_WIN_BUILD_DIR} ${CMAKE_BINARY_DIR}/reproducible)
  set_tests_properties(reproducible_build PROPERTIES LABELS release TIMEOUT 900)
  add_test(NAME signed_build COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/release/signed_build_test.sh
    ${QC_WIN_BUILD_DIR} ${CMAKE_BINARY_DIR}/signed)
  set_tests_properties(signed_build PROPERTIES LABELS release TIMEOUT 300)
  set(QC_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/scripts)
  add_test(NAME wine_win32_tests
    COMMAND ${QC_SCRIPTS}/wine/run_exe.sh ${QC_WINE_BUILD_DIR}/qc_win32_tests.exe)
  set_tests_properties(wine_win32_tests PROPERTIES LABELS wine TIMEOUT 600)
  file(GLOB QC_GUI_TESTS CONFIGURE_DEPENDS tests/gui/*_test.sh)
  foreach(script ${QC_GUI_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME gui_${name} COMMAND bash ${script} ${QC_WINE_BUILD_DIR})
    set_tests_properties(gui_${name} PROPERTIES LABELS gui TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()
