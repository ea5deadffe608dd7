# Camera sources (no widgets): the frame-source interface, the Qt Multimedia device
# with V4L2 amplifier controls, and the simulated cameras.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBV4L2 REQUIRED IMPORTED_TARGET libv4l2)

add_library(cornix_video STATIC
  ${CMAKE_CURRENT_LIST_DIR}/FrameSource.h
  ${CMAKE_CURRENT_LIST_DIR}/FrameSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimulatedCamera.h
  ${CMAKE_CURRENT_LIST_DIR}/SimulatedCamera.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtCameraSource.h
  ${CMAKE_CURRENT_LIST_DIR}/QtCameraSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/V4l2Controls.h
  ${CMAKE_CURRENT_LIST_DIR}/V4l2Controls.cpp)
target_include_directories(cornix_video PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_video PUBLIC cornix_options cornix_settings cornix_sim_endothelium
  Qt6::Core Qt6::Gui Qt6::Multimedia PRIVATE PkgConfig::LIBV4L2)

# The camera wrappers and their preview widget.
add_library(cornix_video_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabberComponent.h
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabberComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber.h
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber_Espec_C.h
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber_Espec_C.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber_Espec_L.h
  ${CMAKE_CURRENT_LIST_DIR}/UBVideoGrabber_Espec_L.cpp)
target_include_directories(cornix_video_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_video_ui PUBLIC cornix_video cornix_common Qt6::Widgets)
