# cmake -DMETAINFO=<file> -DVERSION=<x.y> -P check_release.cmake
# Fails when the first <release> of the metainfo (the newest, by AppStream's
# rule) is not VERSION: a version raised without a release entry.
file(READ "${METAINFO}" text)
if(NOT text MATCHES "<release[^>]* version=\"([^\"]*)\"")
  message(FATAL_ERROR "${METAINFO}: no <release> entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "${METAINFO}: newest release is ${CMAKE_MATCH_1}, the project is ${VERSION}")
endif()
