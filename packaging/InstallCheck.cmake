# Installs the build into a fresh prefix and uses it from there: every installed program
# must find its catalogue, its store library and the Jet reader beside its real self.
# cmake -DBUILD=DIR -DPREFIX=DIR -DJET=FILE -P InstallCheck.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file bin/Brevant bin/orvane bin/orvane-sim lib/orvane/orvane-jet-reader lib/orvane/OrvaneDATA.DAT
             lib/orvane/kv-logosm.jpg "lib/orvane/samples/Sample Plant.mdb" share/applications/brevant.desktop
             share/icons/hicolor/48x48/apps/brevant.png share/icons/hicolor/256x256/apps/brevant.png)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

execute_process(COMMAND ${PREFIX}/bin/orvane export ${JET} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
if(failed OR NOT text MATCHES "title = \"Legacy plant\"")
  message(FATAL_ERROR "the installed orvane could not read a Jet file: ${text}")
endif()
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{XDG_CONFIG_HOME} ${PREFIX}/home/config)
set(ENV{XDG_DATA_HOME} ${PREFIX}/home/data)
execute_process(COMMAND ${PREFIX}/bin/Brevant --screenshot ${PREFIX}/shots "${PREFIX}/lib/orvane/samples/Sample Plant.mdb"
                RESULT_VARIABLE failed ERROR_VARIABLE log)
if(failed OR NOT EXISTS ${PREFIX}/shots/block-data-first.png)
  message(FATAL_ERROR "the installed Brevant could not open the installed sample: ${log}")
endif()
file(READ ${PREFIX}/share/applications/brevant.desktop entry)
if(NOT entry MATCHES "\nExec=Brevant %f\n" OR NOT entry MATCHES "\nIcon=brevant\n")
  message(FATAL_ERROR "the desktop entry does not start Brevant with its icon")
endif()
file(REMOVE_RECURSE ${PREFIX})
