# The examination session without widgets: eye and fixation, the captured frames,
# the capture loop's decision, the pages' state, and the patient shown with it
# (QtCore/QtGui, QtSql through the records layer; no widgets).
add_library(cornix_examination STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UBFixation.h
  ${CMAKE_CURRENT_LIST_DIR}/UBFixation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UBExamSession.h
  ${CMAKE_CURRENT_LIST_DIR}/UBExamSession.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UDCurrentPatient.h
  ${CMAKE_CURRENT_LIST_DIR}/UDCurrentPatient.cpp)
target_include_directories(cornix_examination PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_examination
  PUBLIC cornix_options cornix_exame cornix_framebuffer cornix_settings cornix_common Qt6::Core Qt6::Gui
  PRIVATE cornix_records cornix_examloader)
set_target_properties(cornix_examination PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
