# One place for the flags every target of ours gets.
function(vorn_target_defaults target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Wformat=2
    -Woverloaded-virtual -Wold-style-cast
    # An engine result is read, or dropped with ignoreFailure() and the reason.
    -Werror=unused-result)
  # FFmpeg 7, TagLib 2 and Qt 6.8 deprecate what the next versions remove: built against them,
  # a deprecated call is an error, so it is replaced before a distribution ships without it.
  if(FFMPEG_libavformat_VERSION VERSION_GREATER_EQUAL 61 OR TAGLIB_VERSION VERSION_GREATER_EQUAL 2
     OR Qt6_VERSION VERSION_GREATER_EQUAL 6.8)
    target_compile_options(${target} PRIVATE -Werror=deprecated-declarations)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
  if(ENABLE_SANITIZERS)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()
