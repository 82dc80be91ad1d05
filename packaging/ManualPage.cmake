# Makes the manual page of one program with help2man from the program's own --help and
# --version, so the page says what the program says. For a program made of commands
# (orvane), each command's help follows in a section of its own.
# cmake -DHELP2MAN=FILE -DPROGRAM=FILE -DNAME="what it is" -DOUTPUT=FILE.1 [-DCOMMANDS=ON]
#       -P ManualPage.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(program ${PROGRAM} NAME)
set(include)
if(COMMANDS)
  set(include --include=${OUTPUT}.include)
  file(WRITE ${OUTPUT}.include "")
  execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE usage RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${program} --help failed")
  endif()
  string(REGEX MATCH "\nCommands:\n.*" listed "${usage}")
  string(REGEX MATCHALL "\n  [a-z][a-z0-9-]* " commands "${listed}")
  file(APPEND ${OUTPUT}.include "[COMMANDS IN DETAIL]\n")
  foreach(command ${commands})
    string(STRIP "${command}" command)
    if(command STREQUAL "help")
      continue()
    endif()
    execute_process(COMMAND ${PROGRAM} help ${command} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${program} help ${command} failed")
    endif()
    # Kept as laid out; roff's escape character and its control lines taken literally.
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    file(APPEND ${OUTPUT}.include ".SS \"${program} ${command}\"\n.nf\n${text}.fi\n")
  endforeach()
endif()
execute_process(COMMAND ${HELP2MAN} --no-info --section=1 "--source=Orvane tool set" "--name=${NAME}"
                        ${include} --output=${OUTPUT} ${PROGRAM}
                RESULT_VARIABLE failed ERROR_VARIABLE log)
if(failed)
  message(FATAL_ERROR "help2man could not make the manual page of ${program}: ${log}")
endif()
