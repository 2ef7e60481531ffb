# Resources the Win32 tree makes with host tools of the native tree (built first by
# `make native`; found through QUIRO_HOST_TOOLS): the built-in bitmap fonts, the
# communications library's string tables and the controls' cursors and bitmaps. QUIRO_GENERATED_RC
# lists the .rc files, which go into quiro.exe and into every Win32 test program.
set(QUIRO_GENERATED_RC "")
if(NOT QUIRO_HOST_TOOLS)
  message(FATAL_ERROR "QUIRO_HOST_TOOLS must name build/native/tools (run `make native` first)")
endif()

function(_quiro_host_tool var name)
  set(path ${QUIRO_HOST_TOOLS}/${name}/${name})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "host tool ${path} is missing: build the native tree first (make native)")
  endif()
  set(${var} ${path} PARENT_SCOPE)
endfunction()

# Built-in fonts, from Debian's bitmap font packages.
_quiro_host_tool(_fontgen fontgen)
set(_baekmuk /usr/share/fonts/X11/75dpi)
set(_ascii /usr/share/fonts/X11/misc/8x16.pcf.gz)
set(_fonts ${CMAKE_BINARY_DIR}/fonts)
add_custom_command(
  OUTPUT ${_fonts}/Fonts.rc ${_fonts}/FontASCII.bmp ${_fonts}/FontKSC5601.bmp
         ${_fonts}/FontHanja.bmp ${_fonts}/FontNotices.txt
  COMMAND ${_fontgen} --baekmuk ${_baekmuk} --ascii ${_ascii} --out ${_fonts}
  DEPENDS ${_fontgen}
  COMMENT "Generating the built-in bitmap fonts")
list(APPEND QUIRO_GENERATED_RC ${_fonts}/Fonts.rc)

# String tables of the communications library.
_quiro_host_tool(_strtable strtable)
set(_strings ${CMAKE_BINARY_DIR}/strings)
add_custom_command(
  OUTPUT ${_strings}/LinkStrings.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_strings}
  COMMAND ${_strtable} ${CMAKE_SOURCE_DIR}/src/comm/LinkStrings.txt ${_strings}
  DEPENDS ${_strtable} ${CMAKE_SOURCE_DIR}/src/comm/LinkStrings.txt
  COMMENT "Generating the string tables")
list(APPEND QUIRO_GENERATED_RC ${_strings}/LinkStrings.rc)

# Cursors of the controls library, from pictures drawn as text.
_quiro_host_tool(_curgen curgen)
file(GLOB _cursor_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/cursors/*.txt)
set(_cursors ${CMAKE_BINARY_DIR}/cursors)
add_custom_command(
  OUTPUT ${_cursors}/Cursors.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_cursors}
  COMMAND ${_curgen} --out ${_cursors} ${_cursor_pictures}
  DEPENDS ${_curgen} ${_cursor_pictures}
  COMMENT "Generating the cursors")
list(APPEND QUIRO_GENERATED_RC ${_cursors}/Cursors.rc)

# Bitmaps of the controls library (button pictures, font marks, check boxes), from
# pictures drawn as text.
file(GLOB _bitmap_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/bitmaps/*.txt)
set(_bitmaps ${CMAKE_BINARY_DIR}/bitmaps)
add_custom_command(
  OUTPUT ${_bitmaps}/Bitmaps.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_bitmaps}
  COMMAND ${_curgen} --bitmaps --out ${_bitmaps} ${_bitmap_pictures}
  DEPENDS ${_curgen} ${_bitmap_pictures}
  COMMENT "Generating the bitmaps")
list(APPEND QUIRO_GENERATED_RC ${_bitmaps}/Bitmaps.rc)

add_custom_target(generated_resources DEPENDS ${QUIRO_GENERATED_RC})
