# Installs the build into a fresh prefix and checks that both programs and the
# batch command's man page land where packagers expect them.
# Usage: cmake -DBUILD=dir -DPREFIX=dir -DWANT_WINDOW=0|1 -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected "${PREFIX}/bin/pixfold-batch" "${PREFIX}/share/man/man1/pixfold-batch.1.gz")
if(WANT_WINDOW)
  list(APPEND expected "${PREFIX}/bin/pixfold")
endif()
foreach(file IN LISTS expected)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
