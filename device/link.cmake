# Transports that reach a frame from outside the process: real frames through hidapi
# and frame-link sockets. The factory that picks one from --device links the virtual
# frame too, so it is a library of its own.
target_sources(vireto_device PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HidapiBus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SocketBus.cpp
)

add_library(vireto_transport_factory STATIC ${CMAKE_CURRENT_LIST_DIR}/TransportFactory.cpp)
target_include_directories(vireto_transport_factory PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vireto_transport_factory PUBLIC vireto_device vireto_sim)
