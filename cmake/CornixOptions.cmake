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
  # Every undefined-behaviour report stops the program, so that a test fails on it.
  target_compile_options(cornix_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
  target_link_options(cornix_options INTERFACE -fsanitize=address,undefined)
endif()
