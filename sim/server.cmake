# The device side of the frame link, and the program that serves a virtual frame on it.
target_sources(vireto_sim PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FrameServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrameRequests.cpp)

add_executable(vireto-framesim ${CMAKE_CURRENT_LIST_DIR}/framesim_main.cpp)
target_link_libraries(vireto-framesim PRIVATE vireto_sim vireto_version CLI11::CLI11)
