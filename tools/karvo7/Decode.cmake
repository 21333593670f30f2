# The body of `karvo7 decode`, a static library the tool links; included by the tool's
# CMakeLists (and by tools/CMakeLists.txt).
if(NOT TARGET karvo7_decode)
    find_package(nlohmann_json 3 REQUIRED)
    include(${CMAKE_CURRENT_LIST_DIR}/HeaderOnly.cmake)
    k7_header_only_for_target(nlohmann_json::nlohmann_json nlohmann)
    add_library(karvo7_decode STATIC
        ${CMAKE_CURRENT_LIST_DIR}/CaptureWalk.cpp ${CMAKE_CURRENT_LIST_DIR}/CaptureWalk.h
        ${CMAKE_CURRENT_LIST_DIR}/DecodeCommand.cpp ${CMAKE_CURRENT_LIST_DIR}/DecodeCommand.h)
    target_include_directories(karvo7_decode PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(karvo7_decode PUBLIC KARVO7Stream KARVO7StreamReaders PRIVATE KARVO7CardOps
                                                            nlohmann_json::nlohmann_json)
    k7_warnings(karvo7_decode)
endif()
