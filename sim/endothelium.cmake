# Synthetic endothelium images with ground truth: plain C++, no Qt (a QImage
# helper in the header appears only for targets that link Qt6::Gui).
add_library(cornix_sim_endothelium STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SyntheticEndothelium.h
  ${CMAKE_CURRENT_LIST_DIR}/SyntheticEndothelium.cpp)
target_include_directories(cornix_sim_endothelium PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_sim_endothelium PUBLIC cornix_options)
set_target_properties(cornix_sim_endothelium PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
