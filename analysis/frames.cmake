# Frame buffer: captured frames with their analysis data and the summary (QtGui, no widgets).
add_library(cornix_framebuffer STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UBFrameBuffer.h
  ${CMAKE_CURRENT_LIST_DIR}/UBFrameBuffer.cpp)
target_include_directories(cornix_framebuffer PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_framebuffer PUBLIC cornix_endostats cornix_exame cornix_settings cornix_common Qt6::Gui)
set_target_properties(cornix_framebuffer PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
