# Overlay drawing, manual editing, the rubber-band editor's geometry and the
# analysis of one frame (Qt Gui images, no widgets).
if(TARGET cornix_framebuffer AND TARGET cornix_endostats AND TARGET cornix_analysis)
  add_library(cornix_overlay STATIC
    ${CMAKE_CURRENT_LIST_DIR}/UBCellOverlay.h
    ${CMAKE_CURRENT_LIST_DIR}/UBCellOverlay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UBAnalyseFrame.h
    ${CMAKE_CURRENT_LIST_DIR}/UBAnalyseFrame.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UBTImageEditor.h
    ${CMAKE_CURRENT_LIST_DIR}/UBTImageEditor.cpp)
  target_include_directories(cornix_overlay PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(cornix_overlay PUBLIC cornix_options Qt6::Gui cornix_framebuffer cornix_analysis
                        cornix_endostats cornix_settings cornix_common)
  set_target_properties(cornix_overlay PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
else()
  message(STATUS "cornix_overlay skipped: the frame buffer or statistics library is not there yet")
endif()
