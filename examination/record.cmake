# The examination record (header only, QtCore strings).
add_library(cornix_exame INTERFACE)
target_sources(cornix_exame INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/UExame.h)
target_include_directories(cornix_exame INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(cornix_exame INTERFACE Qt6::Core cornix_options)
