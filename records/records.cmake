# Records core: the Firebird connection, the data module's datasets and the data access
# object (QtSql; QtGui only for the examination bitmaps; no widgets).
add_library(cornix_records STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UfrmDataModule.h
  ${CMAKE_CURRENT_LIST_DIR}/UfrmDataModule.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UDataBaseCornyx.h
  ${CMAKE_CURRENT_LIST_DIR}/UDataBaseCornyx.cpp)
target_include_directories(cornix_records PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_records
  PUBLIC cornix_options cornix_common cornix_settings cornix_exame cornix_framebuffer Qt6::Core Qt6::Sql
  PRIVATE Qt6::Gui)
set_target_properties(cornix_records PROPERTIES AUTOUIC OFF AUTORCC OFF)
# The schema script, beside the executables for scripts/create-database.sh and the tests.
configure_file(${CMAKE_CURRENT_LIST_DIR}/sql/Cornyx.sql ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Cornyx.sql COPYONLY)
