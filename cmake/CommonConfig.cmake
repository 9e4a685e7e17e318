# One settings target: the language level, warnings and defines every target shares.
add_library(tanzel_settings INTERFACE)
target_compile_features(tanzel_settings INTERFACE cxx_std_20)
target_compile_options(tanzel_settings INTERFACE -Wall -Wextra -Werror)
# A program links only the libraries it calls: tanzel-search starts without the download
# and hashing libraries that only the updater needs, as fast as grep starts.
target_link_options(tanzel_settings INTERFACE -Wl,--as-needed)
target_compile_definitions(tanzel_settings INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS
  TANZEL_VERSION_STRING="${PROJECT_VERSION}")
# GCC 12 reports impossible overlaps in std::string's operator+ at -O3 (a false positive
# of its -Wrestrict); the warning is off there so that Release builds with -Werror.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tanzel_settings INTERFACE -Wno-restrict)
endif()
