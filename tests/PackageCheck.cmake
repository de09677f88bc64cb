# Makes the Debian package into a fresh folder and checks what apt would
# install from it: the game in /usr/games, its media, menu entry, metainfo,
# screenshot, an icon, the manual, copyright and changelog, and library
# dependencies found from the binary. Where lintian is installed the package
# must pass it with no error or warning, and with the hardening Debian asks for.
#   cmake -DBUILD_DIR=build -DCPACK=cpack -DAPP_ID=... [-DLINTIAN=lintian] -P PackageCheck.cmake
string(RANDOM LENGTH 8 suffix)
set(out "/tmp/vesbrik-package-${suffix}")
file(REMOVE_RECURSE "${out}")

function(fail message)
  file(REMOVE_RECURSE "${out}")
  message(FATAL_ERROR "${message}")
endfunction()

execute_process(COMMAND "${CPACK}" --config "${BUILD_DIR}/CPackConfig.cmake" -B "${out}"
  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB packages "${out}/vesbrik_*_*.deb")
list(LENGTH packages count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  fail("cpack made no vesbrik_VERSION_ARCH.deb: ${log}")
endif()

execute_process(COMMAND dpkg-deb --contents ${packages} OUTPUT_VARIABLE contents RESULT_VARIABLE status)
foreach(path
    ./usr/games/vesbrik
    ./usr/share/vesbrik/media/sound.xml
    ./usr/share/vesbrik/media/phong.fx
    ./usr/share/vesbrik/screenshots/vesbrik-play.png
    ./usr/share/applications/${APP_ID}.desktop
    ./usr/share/metainfo/${APP_ID}.metainfo.xml
    ./usr/share/icons/hicolor/256x256/apps/vesbrik.png
    ./usr/share/man/man6/vesbrik.6.gz
    ./usr/share/doc/vesbrik/copyright
    ./usr/share/doc/vesbrik/changelog.gz)
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    fail("the package lacks ${path}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb --field ${packages} Package Section Depends OUTPUT_VARIABLE fields)
if(NOT fields MATCHES "Package: vesbrik" OR NOT fields MATCHES "Section: games"
   OR NOT fields MATCHES "libsdl2-2.0-0" OR NOT fields MATCHES "libopenal1")
  fail("package fields: ${fields}")
endif()

# Lintian shows the hardening tags only at its lowest level; Debian's own
# packages are fortified and bound at start, so the game's must be too.
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --no-cfg --display-level ">=classification" ${packages}
    OUTPUT_VARIABLE findings ERROR_VARIABLE findings)
  string(REGEX MATCHALL "(^|\n)(E|W): [^\n]*|hardening-no-(fortify-functions|bindnow)" faults "${findings}")
  if(faults)
    fail("lintian:\n${findings}")
  endif()
endif()
file(REMOVE_RECURSE "${out}")
