# Loading a stored examination and the examination's date helpers (QtSql, no widgets).
add_library(cornix_examloader STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UDExamination.h
  ${CMAKE_CURRENT_LIST_DIR}/UDExamination.cpp)
target_include_directories(cornix_examloader PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_examloader PUBLIC cornix_options cornix_exame cornix_records cornix_common Qt6::Sql)
set_target_properties(cornix_examloader PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
