# The window's translations. The .ts files in src/app/ui/translations are the
# sources the translators edit; `cmake --build build --target update_translations`
# brings them up to date with the texts of the window and of the Qt-free layers
# that reach it (lupdate), and the build compiles them (lrelease) into the
# window's resources under :/i18n, so the program and the tests find them
# without an install.
set(PIXFOLD_LANGUAGES de fr es)

# The layers below the window mark their texts with PIX_TRANSLATE_NOOP and look
# them up with TranslateText (platform/translate.h): Qt's two names under ours.
# Without source locations a .ts changes only when a text does.
set(PIXFOLD_LUPDATE_OPTIONS
  -tr-function-alias QT_TRANSLATE_NOOP+=PIX_TRANSLATE_NOOP,translate+=TranslateText
  -locations none -silent)

function(pixfold_translations target)
  # The window and the Qt-free layers whose texts can reach it (the codecs
  # speak only through failure reasons).
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/app/ui/*.cpp ${CMAKE_SOURCE_DIR}/src/app/ui/*.h
    ${CMAKE_SOURCE_DIR}/src/app/logic/*.cpp ${CMAKE_SOURCE_DIR}/src/app/logic/*.h
    ${CMAKE_SOURCE_DIR}/src/imaging/*.cpp ${CMAKE_SOURCE_DIR}/src/imaging/*.h
    ${CMAKE_SOURCE_DIR}/src/platform/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/*.h)
  set(ts_files "")
  foreach(language IN LISTS PIXFOLD_LANGUAGES)
    list(APPEND ts_files ${CMAKE_SOURCE_DIR}/src/app/ui/translations/pixfold_${language}.ts)
  endforeach()
  qt_add_translations(${target}
    TS_FILES ${ts_files}
    SOURCES ${sources}
    RESOURCE_PREFIX /i18n
    LUPDATE_OPTIONS ${PIXFOLD_LUPDATE_OPTIONS} -no-obsolete)

  # Every text of the current sources is translated, none is left over, and
  # each translation keeps its placeholders and its mnemonic.
  find_package(Python3 COMPONENTS Interpreter)
  if(PIXFOLD_BUILD_TESTS AND Python3_Interpreter_FOUND)
    set(list_file ${CMAKE_CURRENT_BINARY_DIR}/translation_sources.lst)
    # Sources and, as the build's lupdate has them, the include folder: a class's
    # namespace (its translation context) is read from its header.
    list(JOIN sources "\n" lines)
    file(WRITE ${list_file} "-I${CMAKE_SOURCE_DIR}/src\n${lines}\n")
    add_test(NAME translations_complete
      COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/check_translations.py
              --lupdate $<TARGET_FILE:Qt6::lupdate> --sources ${list_file}
              "--options=${PIXFOLD_LUPDATE_OPTIONS}" ${ts_files})
  endif()
endfunction()
