# The serial link to the instrument.
# Scrambling and reply reading are plain C++ (shared with the instrument simulator).
add_library(cornix_serial_protocol STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SerialScrambler.cpp ${CMAKE_CURRENT_LIST_DIR}/SerialScrambler.h
  ${CMAKE_CURRENT_LIST_DIR}/SerialReply.cpp ${CMAKE_CURRENT_LIST_DIR}/SerialReply.h)
target_include_directories(cornix_serial_protocol PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_serial_protocol PUBLIC cornix_options cornix_numbers)

# TSerial: QtCore + QtSerialPort, no widgets; messages go through the dialog seam.
add_library(cornix_instrument_serial STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UBCom.cpp ${CMAKE_CURRENT_LIST_DIR}/UBCom.h)
target_include_directories(cornix_instrument_serial PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(cornix_instrument_serial
  PUBLIC cornix_options cornix_serial_protocol cornix_common cornix_settings Qt6::Core Qt6::SerialPort)
