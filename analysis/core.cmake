# Cell finder and neighbourhood matrix: plain C++, no Qt.
add_library(cornix_analysis STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AnalysisTypes.h
  ${CMAKE_CURRENT_LIST_DIR}/AnalysisTypes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CornixProcessing.h
  ${CMAKE_CURRENT_LIST_DIR}/CornixProcessing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UBCellFinder.h
  ${CMAKE_CURRENT_LIST_DIR}/UBCellFinder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VoronoiDistMatrix.h
  ${CMAKE_CURRENT_LIST_DIR}/VoronoiDistMatrix.cpp)
target_include_directories(cornix_analysis PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_analysis PUBLIC cornix_options cornix_numbers)
set_target_properties(cornix_analysis PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
