# Fake peers for the faults real servers will not produce, and the real servers of
# scripts/servers; the protocol tests and the net benchmark use them.
add_library(pelmora_testpeer STATIC ${CMAKE_CURRENT_LIST_DIR}/ScriptedPeer.h ${CMAKE_CURRENT_LIST_DIR}/ScriptedPeer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TestServers.h ${CMAKE_CURRENT_LIST_DIR}/TestServers.cpp)
target_include_directories(pelmora_testpeer PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(pelmora_testpeer PUBLIC Threads::Threads pelmora_testsupport nlohmann_json::nlohmann_json
    GTest::gtest)
target_compile_definitions(pelmora_testpeer PRIVATE PELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
pelmora_target_defaults(pelmora_testpeer)
