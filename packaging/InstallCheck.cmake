# Installs the build into a fresh prefix and uses it from there: every installed program
# must find its catalogue, its store library, the Jet reader, the simulator and the notice
# module beside its real self, also when started through its link in PREFIX/bin.
# cmake -DBUILD=DIR -DPREFIX=DIR -DJET=FILE -P InstallCheck.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(programs ${PREFIX}/lib/orvane)
set(sample "${programs}/samples/Sample Plant.mdb")
foreach(file bin/Brevant bin/orvane bin/orvane-sim bin/Ostrel bin/Tracera
             lib/orvane/Brevant lib/orvane/orvane lib/orvane/orvane-sim lib/orvane/Juxta lib/orvane/Ostrel
             lib/orvane/Tracera lib/orvane/orvane-jet-reader lib/orvane/orvane_notice.so lib/orvane/libkessig.so.7
             lib/orvane/OrvaneDATA.DAT lib/orvane/kv-logosm.jpg "lib/orvane/samples/Sample Plant.mdb"
             "lib/orvane/samples/Sample Plant.mon" share/applications/brevant.desktop share/applications/ostrel.desktop
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
set(ENV{TEMP} ${PREFIX}/home/temp)
file(MAKE_DIRECTORY ${PREFIX}/home/temp)

# Juxta, as the editor starts it, compares the Jet file with the sample.
execute_process(COMMAND ${programs}/Juxta "${JET}<L>${sample}" RESULT_VARIABLE failed ERROR_VARIABLE log)
if(failed OR NOT EXISTS ${PREFIX}/home/temp/CompareResult OR NOT EXISTS ${PREFIX}/home/temp/COMMENTS.TXT)
  message(FATAL_ERROR "the installed Juxta could not compare a Jet file with the sample: ${log}")
endif()
file(READ ${PREFIX}/home/temp/ORVANE_COMPARE_FILE.TXT compareLog)
if(NOT compareLog MATCHES "\nFILE 1 ${JET} - " OR NOT compareLog MATCHES "Different Function")
  message(FATAL_ERROR "the installed Juxta wrote an unexpected log: ${compareLog}")
endif()

# Tracera, as the drawing program starts it by name, with a synchronisation database in Jet form.
file(COPY_FILE ${JET} ${PREFIX}/home/temp/TempOrvaneSyncFile.mdb)
execute_process(COMMAND ${PREFIX}/bin/Tracera "${sample}<S>${PREFIX}/home/drawing.vsd" RESULT_VARIABLE failed
                ERROR_VARIABLE log)
if(failed OR EXISTS ${PREFIX}/home/temp/TempOrvaneSyncFile.mdb)
  message(FATAL_ERROR "the installed Tracera could not compare a Jet synchronisation database: ${log}")
endif()

# The editor opens the sample and shows every main window, the live ones polling the simulator.
execute_process(COMMAND ${PREFIX}/bin/Brevant --screenshot ${PREFIX}/shots ${sample}
                RESULT_VARIABLE failed ERROR_VARIABLE log)
foreach(shot block-data-first configuration-info print-options all-blocks selected-blocks trend front-panel)
  if(failed OR NOT EXISTS ${PREFIX}/shots/${shot}.png)
    message(FATAL_ERROR "the installed Brevant could not show ${shot} of the installed sample: ${log}")
  endif()
endforeach()
if(log MATCHES "download into the simulator failed")
  message(FATAL_ERROR "the installed Brevant could not download into the installed simulator: ${log}")
endif()
foreach(entry brevant ostrel)
  file(READ ${PREFIX}/share/applications/${entry}.desktop text)
  if(NOT text MATCHES "\nExec=[A-Za-z]+( %f)?\n" OR NOT text MATCHES "\nIcon=brevant\n")
    message(FATAL_ERROR "the desktop entry ${entry} does not start its program with its icon")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/brevant.desktop entry)
if(NOT entry MATCHES "\nExec=Brevant %f\n")
  message(FATAL_ERROR "the desktop entry does not give Brevant the file it opens")
endif()
file(REMOVE_RECURSE ${PREFIX})
