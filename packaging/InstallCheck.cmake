# Installs the build into a fresh prefix and uses it from there: every installed program
# must find its catalogue, its store library, the Jet reader, the simulator, the notice
# module and the SQLite driver of the quick-message grid, also when started through its
# link in PREFIX/bin; and orvane export serves git as the text form of configurations.
# cmake -DBUILD=DIR -DPREFIX=DIR -DPROGRAMDIR=lib/... -DJET=FILE -P InstallCheck.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} OUTPUT_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cmake --install failed")
endif()
set(programs ${PREFIX}/${PROGRAMDIR})
set(sample "${programs}/samples/Sample Plant.mdb")
foreach(file bin/Brevant bin/orvane bin/orvane-sim bin/Ostrel bin/Tracera
             ${PROGRAMDIR}/Brevant ${PROGRAMDIR}/orvane ${PROGRAMDIR}/orvane-sim ${PROGRAMDIR}/Juxta
             ${PROGRAMDIR}/Ostrel ${PROGRAMDIR}/Tracera ${PROGRAMDIR}/orvane-jet-reader ${PROGRAMDIR}/orvane_notice.so
             ${PROGRAMDIR}/libkessig.so.7 ${PROGRAMDIR}/OrvaneDATA.DAT ${PROGRAMDIR}/kv-logosm.jpg
             "${PROGRAMDIR}/samples/Sample Plant.mdb" "${PROGRAMDIR}/samples/Sample Plant.mon"
             share/applications/brevant.desktop share/applications/ostrel.desktop
             share/icons/hicolor/48x48/apps/brevant.png share/icons/hicolor/256x256/apps/brevant.png
             share/icons/hicolor/48x48/apps/ostrel.png share/icons/hicolor/256x256/apps/ostrel.png
             share/doc/orvane/copyright share/doc/orvane/changelog.gz)
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

# The editor opens the sample and shows every main window, the live ones polling the simulator;
# the configuration info window fills its quick-message grid through Qt's SQLite driver, which
# the installed editor must find where the system keeps it.
set(ENV{QT_DEBUG_PLUGINS} 1)
execute_process(COMMAND ${PREFIX}/bin/Brevant --screenshot ${PREFIX}/shots ${sample}
                RESULT_VARIABLE failed ERROR_VARIABLE log)
unset(ENV{QT_DEBUG_PLUGINS})
foreach(shot block-data-first configuration-info print-options all-blocks selected-blocks trend front-panel)
  if(failed OR NOT EXISTS ${PREFIX}/shots/${shot}.png)
    message(FATAL_ERROR "the installed Brevant could not show ${shot} of the installed sample: ${log}")
  endif()
endforeach()
if(log MATCHES "download into the simulator failed")
  message(FATAL_ERROR "the installed Brevant could not download into the installed simulator: ${log}")
endif()
if(NOT log MATCHES "/sqldrivers/libqsqlite\\.so\" loaded library" OR log MATCHES "message: Database error")
  string(REGEX MATCHALL "[^\n]*(sqldrivers|message:)[^\n]*" said "${log}")
  message(FATAL_ERROR "the installed Brevant did not show the quick messages through the SQLite driver: ${said}")
endif()
foreach(entry brevant ostrel)
  file(READ ${PREFIX}/share/applications/${entry}.desktop text)
  if(NOT text MATCHES "\nExec=[A-Za-z]+( %f)?\n" OR NOT text MATCHES "\nIcon=${entry}\n")
    message(FATAL_ERROR "the desktop entry ${entry} does not start its program with its own icon")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/brevant.desktop entry)
if(NOT entry MATCHES "\nExec=Brevant %f\n")
  message(FATAL_ERROR "the desktop entry does not give Brevant the file it opens")
endif()
# Configurations are SQLite files named .mdb: the editor takes the .mdb type, not every SQLite file.
if(NOT entry MATCHES "\nMimeType=application/vnd.ms-access;\n")
  message(FATAL_ERROR "the editor's desktop entry claims other types than the .mdb one")
endif()

# The manual pages where man looks, and orvane's completion where bash looks; the completion
# offers the commands, a command's options, the ports with the simulator, rates, and .mdb files.
foreach(program Brevant orvane orvane-sim Ostrel Tracera Juxta)
  if(NOT EXISTS ${PREFIX}/share/man/man1/${program}.1.gz)
    message(FATAL_ERROR "no manual page for ${program}")
  endif()
endforeach()
find_program(BASH bash REQUIRED)
set(completing ${PREFIX}/home/completing)
file(MAKE_DIRECTORY ${completing}/folder)
file(TOUCH ${completing}/plant.mdb ${completing}/notes.txt)
# complete(<command line> <expected> <not expected>): what the completion offers at its end.
function(complete line expected unexpected)
  execute_process(COMMAND ${BASH} -c [=[
    source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_LINE=$2
    COMP_POINT=${#COMP_LINE}
    read -ra COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _orvane orvane "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s
' "${COMPREPLY[@]}"]=] completion ${PREFIX}/share/bash-completion/completions/orvane "${line}"
    WORKING_DIRECTORY ${completing} OUTPUT_VARIABLE offered ERROR_VARIABLE err RESULT_VARIABLE failed)
  foreach(word ${expected})
    if(failed OR NOT "\n${offered}" MATCHES "\n${word}\n")
      message(FATAL_ERROR "completing '${line}' does not offer ${word}: ${offered}${err}")
    endif()
  endforeach()
  foreach(word ${unexpected})
    if("\n${offered}" MATCHES "\n${word}\n")
      message(FATAL_ERROR "completing '${line}' offers ${word}: ${offered}")
    endif()
  endforeach()
endfunction()
set(ENV{PATH} "${PREFIX}/bin:$ENV{PATH}")
complete("orvane " "download;upload;version-id;ports;export;help;--help" "plant.mdb")
complete("orvane help ver" "verify;version-id" "")
complete("orvane download --p" "--port;--parity" "--pdf;--json")
complete("orvane download plant.mdb -p " "Simulator" "plant.mdb")
complete("orvane upload plant.mdb --baud " "38400;1200" "")
complete("orvane verify " "plant.mdb;folder" "notes.txt")
complete("orvane import " "notes.txt;plant.mdb" "")

# git shows two versions of a configuration as the change an engineer made, with the two lines
# the README gives: the attribute and orvane export as the text converter.
find_program(GIT git REQUIRED)
set(repo ${PREFIX}/home/repo)
set(ENV{PATH} "${PREFIX}/bin:$ENV{PATH}")
set(ENV{HOME} ${PREFIX}/home)
set(ENV{GIT_CONFIG_NOSYSTEM} 1)
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${repo} RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(failed)
    message(FATAL_ERROR "${ARGN} failed: ${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()
file(MAKE_DIRECTORY ${repo})
file(WRITE ${repo}/.gitattributes "*.mdb diff=orvane\n")
file(COPY_FILE ${sample} ${repo}/plant.mdb)
run(${GIT} init -q)
run(${GIT} config diff.orvane.textconv "orvane export")
run(${GIT} add .gitattributes plant.mdb)
run(${GIT} -c user.name=Engineer -c user.email=engineer@example.org commit -q -m "Plant as delivered")
run(orvane export plant.mdb)
set(line "parameter 4 = 100.0 (stored 1000)")
string(FIND "${out}" "${line}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the sample has no '${line}': ${out}")
endif()
string(SUBSTRING "${out}" 0 ${at} before)
math(EXPR at "${at} + 33")
string(SUBSTRING "${out}" ${at} -1 after)
file(WRITE ${repo}/plant.txt "${before}parameter 4 = 200.0 (stored 2000)${after}")
run(orvane import plant.txt plant.mdb --yes)
run(${GIT} -c user.name=Engineer -c user.email=engineer@example.org commit -q -a -m "Range raised")
run(${GIT} diff HEAD~1 HEAD)
string(REGEX MATCHALL "\n[-+][^-+\n][^\n]*" changes "${out}")
if(NOT changes STREQUAL "\n-  parameter 4 = 100.0 (stored 1000)  # RANGE HIGH;\n+  parameter 4 = 200.0 (stored 2000)  # RANGE HIGH")
  message(FATAL_ERROR "git diff does not show the changed parameter as text: ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
