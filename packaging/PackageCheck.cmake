# Makes the Debian packages of a build and checks them as Debian does: their fields and
# contents, lintian and the desktop entries; then runs the command line from the unpacked
# runtime package, stripped as it ships.
# cmake -DBUILD=DIR -DWORK=DIR -DPROGRAMDIR=lib/... -DVERSION=V -P PackageCheck.cmake
find_program(LINTIAN lintian REQUIRED)
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD}/CPackConfig.cmake -B ${WORK}
                RESULT_VARIABLE failed OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB runtime ${WORK}/orvane_${VERSION}_*.deb)
file(GLOB dev ${WORK}/orvane-dev_${VERSION}_*.deb)
if(failed OR NOT runtime OR NOT dev)
  message(FATAL_ERROR "cpack did not make orvane and orvane-dev: ${log}")
endif()

function(package_field deb field variable)
  execute_process(COMMAND dpkg-deb --field ${deb} ${field} OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${variable} "${value}" PARENT_SCOPE)
endfunction()
function(package_files deb variable)
  execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing)
  string(REGEX REPLACE "[^\n]* \\./" "" listing "${listing}")
  set(${variable} "${listing}" PARENT_SCOPE)
endfunction()

# The quick-message grid and the windows need Qt's plugins, which no library dependency names.
package_field(${runtime} Depends depends)
foreach(plugin libqt6sql6-sqlite qt6-qpa-plugins)
  if(NOT depends MATCHES "(^|, )${plugin}(,|$)")
    message(FATAL_ERROR "orvane does not depend on ${plugin}: ${depends}")
  endif()
endforeach()
# The signal-flow diagram: Graphviz's layout (whose "dot" plugin libgvc6 carries) and Qt's SVG
# writer, both named through the libraries the programs link.
foreach(library libgvc6 libcgraph6 libqt6svg6)
  if(NOT depends MATCHES "(^|, )${library}( |,|$)")
    message(FATAL_ERROR "orvane does not depend on ${library}: ${depends}")
  endif()
endforeach()
package_field(${dev} Depends depends)
if(NOT depends STREQUAL "orvane (= ${VERSION})")
  message(FATAL_ERROR "orvane-dev does not depend on its own orvane: ${depends}")
endif()

# Building against Kessig needs the header and the link; running needs neither.
package_files(${runtime} files)
if(files MATCHES "usr/include/" OR files MATCHES "libkessig\\.so ")
  message(FATAL_ERROR "orvane carries what only building against Kessig needs:\n${files}")
endif()
package_files(${dev} files)
if(NOT files MATCHES "\nusr/include/kessig/OrvaneDB.h\n" OR NOT files MATCHES "\nusr/${PROGRAMDIR}/libkessig.so -> libkessig.so.7\n")
  message(FATAL_ERROR "orvane-dev lacks the header or the link:\n${files}")
endif()

# Every tag lintian gives as an error or a warning is a fault.
execute_process(COMMAND ${LINTIAN} ${runtime} ${dev}
                OUTPUT_VARIABLE tags ERROR_VARIABLE lintianLog RESULT_VARIABLE failed)
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" faults "${tags}")
if(faults OR failed GREATER 1)
  message(FATAL_ERROR "lintian finds faults in the packages: ${tags}${lintianLog}")
endif()

set(root ${WORK}/root)
execute_process(COMMAND dpkg-deb --extract ${runtime} ${root} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "the package orvane could not be unpacked")
endif()
execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${root}/usr/share/applications/brevant.desktop
                        ${root}/usr/share/applications/ostrel.desktop
                OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE failed)
if(failed OR said)
  message(FATAL_ERROR "desktop-file-validate finds faults in the desktop entries: ${said}")
endif()

set(ENV{XDG_DATA_HOME} ${WORK}/home/data)
set(ENV{TEMP} ${WORK}/home)
file(MAKE_DIRECTORY ${WORK}/home)
execute_process(COMMAND ${root}/usr/bin/orvane export "${root}/usr/${PROGRAMDIR}/samples/Sample Plant.mdb"
                OUTPUT_VARIABLE text ERROR_VARIABLE log RESULT_VARIABLE failed)
if(failed OR NOT text MATCHES "\nblock 20: ")
  message(FATAL_ERROR "the unpacked orvane could not export its sample: ${log}")
endif()
file(REMOVE_RECURSE ${WORK})
