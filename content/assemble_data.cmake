# Gathers the files of "data.pak" into OUT_DIR, run at build time:
#   cmake -DSOURCE_DIR=content -DOUT_DIR=dir -DFONT_DIR=fonts [-DSOUND_DIR=sounds] -P assemble_data.cmake
# Every .xml below SOURCE_DIR goes to the top by its file name, except those
# of l10n/ (to "l10n/<file>") and generators/ (not packed); then the four font
# files and every file of SOUND_DIR. OUT_DIR is emptied first, so the archive
# holds exactly the current sources. Two files for one name (compared without
# case, as the archive finds them) stop the build.
cmake_minimum_required(VERSION 3.25)

foreach(var SOURCE_DIR OUT_DIR FONT_DIR)
  if(NOT ${var})
    message(FATAL_ERROR "assemble_data: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR}/l10n)

set(taken "")
function(place source name)
  string(TOLOWER "${name}" key)
  if(key IN_LIST taken)
    message(FATAL_ERROR "assemble_data: two files would be packed as ${name}, the second is ${source}")
  endif()
  set(taken ${taken} ${key} PARENT_SCOPE)
  file(COPY_FILE ${source} ${OUT_DIR}/${name} ONLY_IF_DIFFERENT)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.xml)
list(SORT sources)
foreach(relative IN LISTS sources)
  if(relative MATCHES "^generators/")
    continue()
  endif()
  get_filename_component(name ${relative} NAME)
  if(relative MATCHES "^l10n/")
    place(${SOURCE_DIR}/${relative} l10n/${name})
  else()
    place(${SOURCE_DIR}/${relative} ${name})
  endif()
endforeach()

foreach(name fontMenu.xml fontMenu.png fontbig.xml fontbig.png)
  place(${FONT_DIR}/${name} ${name})
endforeach()

if(SOUND_DIR)
  file(GLOB sounds LIST_DIRECTORIES false RELATIVE ${SOUND_DIR} ${SOUND_DIR}/*)
  list(SORT sounds)
  foreach(name IN LISTS sounds)
    place(${SOUND_DIR}/${name} ${name})
  endforeach()
endif()
