# Native build: the logic against the test double, plus the Wine tests registered with ctest.
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

# Tests of the Windows build, run under Wine. scripts/test.sh builds that tree and passes its folder.
set(QC_WIN_BUILD_DIR "" CACHE PATH "Folder of the mingw build whose programs the Wine tests run")
if(QC_WIN_BUILD_DIR)
  set(QC_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/scripts)
  add_test(NAME wine_win32_tests
    COMMAND ${QC_SCRIPTS}/wine/run_exe.sh ${QC_WIN_BUILD_DIR}/qc_win32_tests.exe)
  set_tests_properties(wine_win32_tests PROPERTIES LABELS wine TIMEOUT 600)
  file(GLOB QC_GUI_TESTS CONFIGURE_DEPENDS tests/gui/*_test.sh)
  foreach(script ${QC_GUI_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME gui_${name} COMMAND bash ${script} ${QC_WIN_BUILD_DIR})
    set_tests_properties(gui_${name} PROPERTIES LABELS gui TIMEOUT 600 RUN_SERIAL TRUE)
  endforeach()
endif()
