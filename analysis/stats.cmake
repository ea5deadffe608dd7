# Endothelial statistics: plain C++, no Qt.
add_library(cornix_endostats STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EndoStatistics.h
  ${CMAKE_CURRENT_LIST_DIR}/EndoStatistics.cpp)
target_include_directories(cornix_endostats PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_endostats PUBLIC cornix_options cornix_analysis cornix_numbers)
set_target_properties(cornix_endostats PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
