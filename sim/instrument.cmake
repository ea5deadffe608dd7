# The instrument's side of the serial link, on a pseudo-terminal (tests, demos).
add_library(cornix_sim_instrument STATIC
  ${CMAKE_CURRENT_LIST_DIR}/InstrumentSimulator.cpp ${CMAKE_CURRENT_LIST_DIR}/InstrumentSimulator.h)
target_include_directories(cornix_sim_instrument PUBLIC ${CMAKE_CURRENT_LIST_DIR})
find_package(Threads REQUIRED)
target_link_libraries(cornix_sim_instrument PUBLIC cornix_options cornix_serial_protocol Threads::Threads util)
