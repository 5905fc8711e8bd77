# Makes a manual page from its template and the program's own --help, so that the page
# lists exactly the options and commands of the program built.
#   cmake -DPROGRAM=<exe> -DTEMPLATE=<page.1.in> -DOUTPUT=<page.1> -DVERSION=<v>
#         [-DCOMMANDS=ON] -P make_man.cmake
# With COMMANDS, each command named in the "Commands:" list gets its "help COMMAND" text.

cmake_minimum_required(VERSION 3.25)

function(run_help out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc
                  ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed (${rc})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text shown as it is in a no-fill block: backslashes escaped, and a line that would start
# with a control character protected.
function(roff_literal out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_help(help --help)
roff_literal(help_roff "${help}")

set(commands_roff "")
if(COMMANDS)
  string(REGEX REPLACE ".*\nCommands:\n" "" list "${help}")
  string(REGEX REPLACE "\n\n.*" "" list "${list}")
  string(REPLACE "\n" ";" lines "${list}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z0-9-]*)")
      set(name "${CMAKE_MATCH_1}")
      run_help(command_help help ${name})
      roff_literal(command_roff "${command_help}")
      string(APPEND commands_roff ".SS ${name}\n.nf\n${command_roff}\n.fi\n")
    endif()
  endforeach()
  string(REGEX REPLACE "\n$" "" commands_roff "${commands_roff}")
endif()

file(READ ${TEMPLATE} page)
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@HELP@" "${help_roff}" page "${page}")
string(REPLACE "@COMMANDS@" "${commands_roff}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
