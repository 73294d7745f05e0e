# The program's two special fonts, "ZQVSerif.TTF" and "RelMath.TTF", are made at build time from
# DejaVu glyphs by fonts/make_fonts.py (fontTools) and placed in the "fonts" folder beside the
# program; the program adds them from there at start when the families are missing.

set(KV_FONTS_DIR ${PROJECT_BINARY_DIR}/fonts)
set(KV_SPECIAL_FONT_FILES ${KV_FONTS_DIR}/ZQVSerif.TTF ${KV_FONTS_DIR}/RelMath.TTF)

# fontTools comes with the system's Python (python3-fonttools); prefer that interpreter over any
# other python3 on the path.
set(_kv_font_python "")
foreach(candidate /usr/bin/python3 python3)
  find_program(_kv_py_${candidate} NAMES ${candidate} NO_CACHE)
  set(_kv_py ${_kv_py_${candidate}})
  if(_kv_py)
    execute_process(COMMAND ${_kv_py} -c "import fontTools" RESULT_VARIABLE _kv_rc OUTPUT_QUIET ERROR_QUIET)
    if(_kv_rc EQUAL 0)
      set(_kv_font_python ${_kv_py})
      break()
    endif()
  endif()
endforeach()
if(NOT _kv_font_python)
  message(FATAL_ERROR "Making the special fonts needs Python 3 with fontTools (Debian: python3-fonttools)")
endif()

add_custom_command(
  OUTPUT ${KV_SPECIAL_FONT_FILES}
  COMMAND ${_kv_font_python} ${PROJECT_SOURCE_DIR}/fonts/make_fonts.py ${KV_FONTS_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/fonts/make_fonts.py
  COMMENT "Making the special fonts ZQVSerif.TTF and RelMath.TTF"
  VERBATIM)
add_custom_target(kv_fonts ALL DEPENDS ${KV_SPECIAL_FONT_FILES})
# Installed with the shipped data files that seed a per-user program folder.
install(FILES ${KV_SPECIAL_FONT_FILES} DESTINATION share/korvalis/fonts)

# Once the libraries exist: the text engine needs the fonts built, and knows the build's fonts
# folder as the last place to look (test programs run from the build tree).
function(_kv_wire_fonts)
  if(TARGET kv_text)
    add_dependencies(kv_text kv_fonts)
    target_compile_definitions(kv_text PRIVATE KV_BUILD_FONTS_DIR="${KV_FONTS_DIR}")
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _kv_wire_fonts)
