# Shared compiler settings: every Cornix target links cornix_options.
add_library(cornix_options INTERFACE)
target_compile_features(cornix_options INTERFACE cxx_std_20)
target_compile_options(cornix_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow=local -Wno-missing-field-initializers
  $<$<BOOL:${CORNIX_WERROR}>:-Werror>)
target_compile_definitions(cornix_options INTERFACE
  QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH)
if(CORNIX_SANITIZE)
  target_compile_options(cornix_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(cornix_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds every immediate subfolder of the current folder that has a CMakeLists.txt,
# in name order, so a new tool, test area or benchmark needs no edit here.
macro(cornix_add_subfolders)
  file(GLOB _cornix_children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _cornix_children)
  foreach(_cornix_child ${_cornix_children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_cornix_child}/CMakeLists.txt)
      add_subdirectory(${_cornix_child})
    endif()
  endforeach()
endmacro()
