# Installs the build tree into a fresh temporary prefix and checks the layout of the
# installation: cmake -DBUILD_DIR=... -DWORK_DIR=... -P InstallCheck.cmake
cmake_minimum_required(VERSION 3.25)

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()

# expect(<condition words...> MESSAGE <text>): fails the check when the condition is false.
macro(expect)
  cmake_parse_arguments(E "" "MESSAGE" "" ${ARGN})
  if(NOT (${E_UNPARSED_ARGUMENTS}))
    message(FATAL_ERROR "${E_MESSAGE}")
  endif()
endmacro()

# The program and its launcher on the PATH, which leads to the program's own folder.
set(app "${prefix}/lib/tanzel")
expect(EXISTS "${app}/tanzel" MESSAGE "no ${app}/tanzel")
expect(IS_SYMLINK "${prefix}/bin/tanzel" MESSAGE "${prefix}/bin/tanzel is not a link")
file(REAL_PATH "${prefix}/bin/tanzel" target)
file(REAL_PATH "${app}/tanzel" program)
expect(target STREQUAL program MESSAGE "bin/tanzel leads to ${target}, not to ${program}")
foreach(tool tanzel-import tanzel-search)
  if(EXISTS "${BUILD_DIR}/bin/${tool}")
    expect(EXISTS "${app}/${tool}" MESSAGE "no ${app}/${tool}")
    file(REAL_PATH "${prefix}/bin/${tool}" target)
    file(REAL_PATH "${app}/${tool}" program)
    expect(target STREQUAL program MESSAGE "bin/${tool} leads to ${target}")
  endif()
endforeach()

# An import into the installed folder made editions there, and an earlier installation left
# a REMOVED list; installing again makes it flat, with the files of the build's edition only.
if(EXISTS "${BUILD_DIR}/bin/KEN13.CSV")
  file(WRITE "${app}/editions/1/KEN13.CSV" "stale")
  file(WRITE "${app}/REMOVED" "2000-01-01\n1000001\n")
  file(CREATE_LINK "editions/1" "${app}/current" SYMBOLIC)
  file(CREATE_LINK "editions/1" "${app}/previous" SYMBOLIC)
  file(REMOVE "${app}/KEN13.CSV")
  file(CREATE_LINK "current/KEN13.CSV" "${app}/KEN13.CSV" SYMBOLIC)
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
  expect(result EQUAL 0 MESSAGE "cmake --install over editions failed: ${errors}")
endif()

# The data files lie beside the program, every one that the build folder holds, with the
# EDITION record (and REMOVED when there is one) of the edition in use in the build folder:
# plain files with that edition's content (the build folder reaches them by links).
set(edition "${BUILD_DIR}/bin")
if(IS_SYMLINK "${edition}/current")
  file(REAL_PATH "${edition}/current" edition)
endif()
file(GLOB built RELATIVE "${edition}" "${edition}/KEN[0-9][0-9].CSV" "${edition}/JIG[0-9][0-9].CSV"
     "${edition}/EDITION" "${edition}/REMOVED")
if(EXISTS "${edition}/KEN13.CSV")
  expect(EXISTS "${edition}/EDITION" MESSAGE "the build's data has no EDITION: run scripts/import-data.sh")
endif()
foreach(name ${built})
  expect(EXISTS "${app}/${name}" MESSAGE "data file ${name} not installed")
  expect(NOT IS_SYMLINK "${app}/${name}" MESSAGE "data file ${name} installed as a link")
  file(SHA256 "${app}/${name}" installed)
  file(SHA256 "${edition}/${name}" in_use)
  expect(installed STREQUAL in_use MESSAGE "data file ${name} is not the edition in use")
endforeach()
if(NOT EXISTS "${edition}/REMOVED")
  expect(NOT EXISTS "${app}/REMOVED" MESSAGE "a REMOVED list of another edition is installed")
endif()
foreach(name editions current previous)
  expect(NOT EXISTS "${app}/${name}" AND NOT IS_SYMLINK "${app}/${name}" MESSAGE "${name} installed")
endforeach()

# The desktop entry and its icon.
set(desktop "${prefix}/share/applications/tanzel.desktop")
expect(EXISTS "${desktop}" MESSAGE "no ${desktop}")
file(READ "${desktop}" entry)
string(PREPEND entry "\n")
foreach(wanted "[Desktop Entry]" "Type=Application" "Exec=tanzel" "Icon=tanzel" "Categories=Utility;")
  string(FIND "${entry}" "\n${wanted}\n" found)
  expect(found GREATER -1 MESSAGE "tanzel.desktop lacks ${wanted}")
endforeach()
string(REGEX MATCH "\nName=[^\n]+" english "${entry}")
string(REGEX MATCH "\nName\\[ja\\]=[^\n]+" japanese "${entry}")
expect(english AND japanese MESSAGE "tanzel.desktop needs an English and a Japanese name")
# The icon in each size, a PNG of that width and height (the header's IHDR holds them).
foreach(pixels 32 64 128)
  set(icon "${prefix}/share/icons/hicolor/${pixels}x${pixels}/apps/tanzel.png")
  expect(EXISTS "${icon}" MESSAGE "no ${icon}")
  file(READ "${icon}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  expect(width EQUAL pixels AND height EQUAL pixels MESSAGE "${icon} is not ${pixels} x ${pixels} (${width} x ${height})")
endforeach()

# The AppStream description: of this version, naming the desktop entry and the icon installed.
file(GLOB metainfo "${prefix}/share/metainfo/*.metainfo.xml")
expect(metainfo MESSAGE "no AppStream file in ${prefix}/share/metainfo")
file(READ "${metainfo}" component)
foreach(wanted "<launchable type=\"desktop-id\">tanzel.desktop</launchable>" "<icon type=\"stock\">tanzel</icon>"
        "<release version=\"${VERSION}\"")
  string(FIND "${component}" "${wanted}" found)
  expect(found GREATER -1 MESSAGE "${metainfo} lacks ${wanted}")
endforeach()

# The installed search tool, started through its link, finds its data in its own folder.
if(EXISTS "${app}/tanzel-search" AND EXISTS "${app}/KEN13.CSV")
  execute_process(COMMAND "${prefix}/bin/tanzel-search" "13101" WORKING_DIRECTORY "${WORK_DIR}"
                  OUTPUT_VARIABLE out RESULT_VARIABLE result)
  expect(out MATCHES "100-0005" MESSAGE "the installed tanzel-search found no data (${result})")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
