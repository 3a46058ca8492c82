# Checks that the Russian translation covers every text the sources pass through tr(): lupdate
# reads the sources into a copy of the .ts, and nothing may come out new, unfinished or gone.
#   cmake -DSOURCE_DIR=<checkout> -DLUPDATE=<lupdate> -DWORK_DIR=<scratch> -P CheckTranslations.cmake
cmake_minimum_required(VERSION 3.25)
set(copy ${WORK_DIR}/imprimata_ru.ts)
file(COPY_FILE ${SOURCE_DIR}/translations/imprimata_ru.ts ${copy})
execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none ${SOURCE_DIR}/src -ts ${copy}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(READ ${copy} updated)
file(READ ${SOURCE_DIR}/translations/imprimata_ru.ts committed)
string(REGEX MATCHALL "type=\"unfinished\"" unfinished "${updated}")
list(LENGTH unfinished missing)
if(missing GREATER 0)
  message(FATAL_ERROR "${missing} texts have no Russian translation: run cmake --build build "
                      "--target update_translations, then translate them.")
endif()
if(NOT updated STREQUAL committed)
  message(FATAL_ERROR "translations/imprimata_ru.ts is not what lupdate makes of the sources: "
                      "run cmake --build build --target update_translations and commit it.")
endif()
