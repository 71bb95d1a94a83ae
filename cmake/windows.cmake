# The product and the tests that need the real platform (run under Wine).
enable_language(RC)
set(QC_STATIC_LINK -static -static-libgcc -static-libstdc++)

file(GLOB QC_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
list(FILTER QC_WIN32_SOURCES EXCLUDE REGEX "/main\\.cpp$")
add_library(qc_win32 STATIC ${QC_WIN32_SOURCES})
target_link_libraries(qc_win32 PUBLIC qc_logic)
# The headers offer what the oldest supported Windows has, and no more (6.1 gives 0x601).
string(REPLACE "." ";" qc_oldest "${QC_OLDEST_WINDOWS_VERSION}")
list(GET qc_oldest 0 QC_OLDEST_MAJOR)
list(GET qc_oldest 1 QC_OLDEST_MINOR)
math(EXPR qc_api_level "(${QC_OLDEST_MAJOR} << 8) | ${QC_OLDEST_MINOR}" OUTPUT_FORMAT HEXADECIMAL)
target_compile_definitions(qc_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=${qc_api_level}
  WINVER=${qc_api_level})
set(QC_SYSTEM_LIBS advapi32 user32 gdi32 shell32 comctl32 winmm version kernel32)
target_link_libraries(qc_win32 PUBLIC ${QC_SYSTEM_LIBS})
# The logic's default constructors reach DefaultPlatform() in the backend: a cycle CMake resolves.
set_property(TARGET qc_logic APPEND PROPERTY INTERFACE_LINK_LIBRARIES qc_win32)

set(QC_RESOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/src/app/resources)
# The manifest lists every Windows from the oldest supported on, by the identifier each knows
# itself by.
set(QC_WINDOWS_MANIFEST_IDS
  "6.0 {e2011457-1546-43c5-a5fe-008deee3d3f0}"  # Vista
  "6.1 {35138b9a-5d96-4fbd-8e2d-a2440225f93a}"  # 7
  "6.2 {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"  # 8
  "6.3 {1f676c76-80e1-4239-95bb-83d0f6d0da78}"  # 8.1
  "10.0 {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}")  # 10 and 11
set(QC_SUPPORTED_OS "")
set(oldest_listed FALSE)
foreach(entry ${QC_WINDOWS_MANIFEST_IDS})
  separate_arguments(entry)
  list(GET entry 0 os_version)
  list(GET entry 1 os_id)
  if(os_version VERSION_EQUAL QC_OLDEST_WINDOWS_VERSION)
    set(oldest_listed TRUE)
  endif()
  if(os_version VERSION_GREATER_EQUAL QC_OLDEST_WINDOWS_VERSION)
    string(APPEND QC_SUPPORTED_OS "      <supportedOS Id=\"${os_id}\"/>\n")
  endif()
endforeach()
if(NOT oldest_listed)
  message(FATAL_ERROR "no manifest identifier for Windows ${QC_OLDEST_WINDOWS_VERSION}")
endif()
string(REGEX REPLACE "\n$" "" QC_SUPPORTED_OS "${QC_SUPPORTED_OS}")
configure_file(${QC_RESOURCE_DIR}/quorin_cleaner.manifest.in ${QC_GENERATED_DIR}/quorin_cleaner.manifest
  @ONLY)
# The release's README.txt, with the version and the oldest Windows filled in.
configure_file(docs/README.txt ${QC_GENERATED_DIR}/README.txt @ONLY)
add_executable(quorin_cleaner WIN32 src/platform/win32/main.cpp ${QC_RESOURCE_DIR}/quorin_cleaner.rc)
# The resource compiler finds the version header and the manifest made from the project's version.
target_include_directories(quorin_cleaner PRIVATE ${QC_GENERATED_DIR})
set_source_files_properties(${QC_RESOURCE_DIR}/quorin_cleaner.rc PROPERTIES OBJECT_DEPENDS
  "${QC_RESOURCE_DIR}/quorin_cleaner.ico;${QC_GENERATED_DIR}/quorin_cleaner.manifest;${QC_GENERATED_DIR}/version.h")
set_target_properties(quorin_cleaner PROPERTIES OUTPUT_NAME "Quorin Cleaner")
target_link_libraries(quorin_cleaner PRIVATE qc_win32 ${QC_STATIC_LINK})
# ASLR needs the base relocations: ask for them outright rather than rely on the linker's default.
# No time stamp in the header: the same commit links to the same bytes at any time.
target_link_options(quorin_cleaner PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--enable-reloc-section
  -Wl,--file-alignment=0x1000 -Wl,--no-insert-timestamp -Wl,--gc-sections)
# Older Windows refuses the program with its own message rather than fail on a missing function.
# Terminal-server aware: it keeps no per-user state in the Windows folder that would need mapping.
target_link_options(quorin_cleaner PRIVATE
  -Wl,--major-os-version=${QC_OLDEST_MAJOR} -Wl,--minor-os-version=${QC_OLDEST_MINOR}
  -Wl,--major-subsystem-version=${QC_OLDEST_MAJOR} -Wl,--minor-subsystem-version=${QC_OLDEST_MINOR}
  -Wl,--tsaware)
# One section per function and datum, so that the linker drops what the program never reaches.
foreach(t qc_logic qc_win32 quorin_cleaner)
  target_compile_options(${t} PRIVATE -ffunction-sections -fdata-sections)
endforeach()
# The program ends on the 8-byte boundary a signature starts at, with the checksum over that, so
# that removing a signature gives back exactly these bytes (cmake/pe_finish.py).
# Debian's interpreter, which setup.sh installs (with python3-pefile for the PE checks).
find_program(QC_DEBIAN_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set_property(TARGET quorin_cleaner APPEND PROPERTY LINK_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/cmake/pe_finish.py)
# Wine copies every section of an image whose file offsets are not page-aligned into private
# memory, debug sections included (3 MB here). The program ships without them and without its
# symbol table; both are kept beside it in "Quorin Cleaner.debug", which a debugger finds
# through the debug link.
# objcopy stamps what it writes with the time unless told a fixed one; zero, like the linker.
set(QC_OBJCOPY ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
add_custom_command(TARGET quorin_cleaner POST_BUILD
  COMMAND ${QC_OBJCOPY} --only-keep-debug "Quorin Cleaner.exe" "Quorin Cleaner.debug"
  COMMAND ${QC_OBJCOPY} --strip-all "--add-gnu-debuglink=Quorin Cleaner.debug" "Quorin Cleaner.exe"
  COMMAND ${QC_DEBIAN_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/pe_finish.py "Quorin Cleaner.exe"
  WORKING_DIRECTORY $<TARGET_FILE_DIR:quorin_cleaner>
  VERBATIM)

# GoogleTest built from Debian's sources for the Windows side.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -Wno-error)
  endif()
endforeach()

file(GLOB QC_WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
if(QC_WIN32_TEST_SOURCES)
  add_executable(qc_win32_tests ${QC_WIN32_TEST_SOURCES})
  target_include_directories(qc_win32_tests PRIVATE tests)
  target_link_libraries(qc_win32_tests PRIVATE qc_win32 gtest gtest_main ${QC_STATIC_LINK})
  # A DLL beside the tests that the narrowed DLL search must not pick up by name.
  add_library(qc_planted SHARED tests/pe/planted_dll.c)
  set_target_properties(qc_planted PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_options(qc_planted PRIVATE -static-libgcc)
  add_dependencies(qc_win32_tests qc_planted)
endif()

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/gui/CMakeLists.txt)
  add_subdirectory(tests/gui)
endif()
file(GLOB QC_BENCH_WIN32 CONFIGURE_DEPENDS bench/win32/*.cpp)
foreach(src ${QC_BENCH_WIN32})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE qc_win32 ${QC_STATIC_LINK})
endforeach()

