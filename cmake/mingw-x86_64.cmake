# The Windows tests for machines that cannot run 32-bit programs: 64-bit.
set(QC_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
