# Installs the built game into a fresh prefix and checks that a desktop finds
# everything it needs there: the binary, its media, the menu entry that starts
# it, the metainfo, an icon at every size, the screenshot, the manual page,
# the copyright and the changelog.
#   cmake -DBUILD_DIR=build -DAPP_ID=... -DGAMES_DIR=games -DICON_SIZES="16;..."
#         [-DDESKTOP_FILE_VALIDATE=...] -P InstallCheck.cmake
string(RANDOM LENGTH 8 suffix)
set(prefix "/tmp/vesbrik-install-${suffix}")
file(REMOVE_RECURSE "${prefix}")

function(fail message)
  file(REMOVE_RECURSE "${prefix}")
  message(FATAL_ERROR "${message}")
endfunction()

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  fail("install failed: ${errors}")
endif()

set(expected
  ${GAMES_DIR}/vesbrik
  share/vesbrik/media/sound.xml
  share/vesbrik/media/frame.lwo
  share/vesbrik/media/phong.fx
  share/vesbrik/media/title.tga
  share/vesbrik/media/icons/vesbrik-64.png
  share/vesbrik/screenshots/vesbrik-play.png
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml
  share/man/man6/vesbrik.6.gz
  share/doc/vesbrik/copyright
  share/doc/vesbrik/changelog.gz)
foreach(size ${ICON_SIZES})
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/vesbrik.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS "${prefix}/${file}")
    fail("not installed: ${file}")
  endif()
endforeach()

# Each icon is a PNG of the size its folder names (width and height are the
# big-endian words at bytes 16 and 20).
foreach(size ${ICON_SIZES})
  file(READ "${prefix}/share/icons/hicolor/${size}x${size}/apps/vesbrik.png" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 16 dimensions)
  math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" hex_size "${hex_size}")
  string(LENGTH "${hex_size}" digits)
  math(EXPR padding "8 - ${digits}")
  string(REPEAT "0" ${padding} zeros)
  set(word "${zeros}${hex_size}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT dimensions STREQUAL "${word}${word}")
    fail("icon ${size}x${size} is not a PNG of that size (${header})")
  endif()
endforeach()

# The player's files are never installed: the table starts fresh per player.
if(EXISTS "${prefix}/share/vesbrik/media/hiscore.xml" OR EXISTS "${prefix}/share/vesbrik/settings.xml")
  fail("a player's file was installed")
endif()

# The menu entry starts the installed binary by its full path (PREFIX/games
# is not on every PATH) and names an installed icon.
file(STRINGS "${prefix}/share/applications/${APP_ID}.desktop" exec_line REGEX "^Exec=")
file(STRINGS "${prefix}/share/applications/${APP_ID}.desktop" icon_line REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" program "${exec_line}")
string(REGEX REPLACE "^Icon=" "" icon "${icon_line}")
if(NOT program STREQUAL "${prefix}/${GAMES_DIR}/vesbrik" OR NOT EXISTS "${prefix}/share/icons/hicolor/48x48/apps/${icon}.png")
  fail("the menu entry's program '${program}' or icon '${icon}' is not installed")
endif()

execute_process(COMMAND "${prefix}/${GAMES_DIR}/vesbrik" --version RESULT_VARIABLE status OUTPUT_VARIABLE version)
if(NOT status EQUAL 0 OR NOT version MATCHES "^vesbrik [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  fail("the installed game does not tell its version: ${status} '${version}'")
endif()

if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${prefix}/share/applications/${APP_ID}.desktop"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "")
    fail("installed menu entry: ${out}")
  endif()
endif()

file(REMOVE_RECURSE "${prefix}")
