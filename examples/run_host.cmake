# Runs an example host as a test and checks what it prints.
#
#   cmake -DHOST=<command, items separated by |> -DSTORE=<dir> [-DHOST_ENV=<VAR=VALUE|...>]
#         [-DFAILING=ON] [-DPREVIEW_OPTION=<option>] [-DEXPLAINS=ON] -P run_host.cmake
#
# STORE is emptied first. Then the first run must create the demo store there and bill its
# joined tables (comandas 0012, 0013 and 0021, total 481,45); the second run must find the store
# and give the same fourteen entries, since every bill is made whole again.
# PREVIEW_OPTION: the host's option for a preview; a third run with it must give the same
# fourteen entries and leave the store's database file as it was, to the byte.
# EXPLAINS: the host prints each charge with its rule, from the bill's explanation.
# FAILING: the host bills an empty SQLite database instead (sqlite:vazia.db in STORE). The
# failed statement must reach the host's report sink, and the host must exit with status 1 and
# the library's message on standard error.
string(REPLACE "|" ";" host "${HOST}")
string(REPLACE "|" ";" host_env "${HOST_ENV}")
set(run ${CMAKE_COMMAND} -E env ${host_env} ${host})

function(run_host out_var rc_var err_var)
  execute_process(COMMAND ${run} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${rc_var} "${rc}" PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

function(expect text regex what)
  if(NOT text MATCHES "${regex}")
    message(FATAL_ERROR "${what}: no match for '${regex}' in:\n${text}")
  endif()
endfunction()

# The lines of the fourteen entries: "<index> <name> <value>".
function(entry_lines text out_var)
  string(REGEX MATCHALL "\n *[0-9]+ +(Vr|Qtde|Comandas|Itens)[^\n]*" lines "${text}")
  list(LENGTH lines count)
  if(NOT count EQUAL 14)
    message(FATAL_ERROR "${count} entry lines, not 14, in:\n${text}")
  endif()
  set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${STORE}")
file(MAKE_DIRECTORY "${STORE}")

if(FAILING)
  file(TOUCH "${STORE}/vazia.db")
  run_host(out rc err "${STORE}" "sqlite:vazia.db")
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "exit status ${rc}, not 1\nstdout:\n${out}\nstderr:\n${err}")
  endif()
  # A failed database operation (kind 0): operation, unit, context (the branch, and the
  # list when the operation takes one), text. The bill's first statement locks the branch.
  set(report "\nreport: [A-Za-z]+ failed in [A-Za-z_0-9]+ \\(0001(-0012_0013_0021)?\\): ")
  string(APPEND report "no such table")
  expect("${out}" "${report}" "the report sink")
  expect("${err}" "conta_calcula[a-z_]* failed \\(status 1\\): .*no such table" "standard error")
  message(STATUS "failed as expected:\n${out}${err}")
  return()
endif()

run_host(first rc err "${STORE}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "first run: exit status ${rc}\nstdout:\n${first}\nstderr:\n${err}")
endif()
expect("${first}" "demo store created" "first run")
expect("${first}" "VrTotalConta +481[.,]45\n" "first run")
expect("${first}" "QtdePessoas +5\n" "first run")
foreach(comanda 0012 0013 0021)
  # In the comanda packet: "0012" in JSON text, or a line "comanda 0012 ..." of its rows.
  expect("${first}" "(\"${comanda}\"|\n +comanda ${comanda} )" "first run, comanda ${comanda}")
endforeach()
entry_lines("${first}" first_entries)
if(EXPLAINS)
  expect("${first}" "\n +service charge +18[.]95 +10% of 189[.]58\n" "the explanation")
  expect("${first}" "\n +minimum consumption +210[.]42 +5 x 80[.]00 = 400[.]00, consumed 189[.]58\n"
         "the explanation")
  expect("${first}" "\n +cover +62[.]50 +5 x 12[.]50 per person\n" "the explanation")
endif()

run_host(second rc err "${STORE}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "second run: exit status ${rc}\nstdout:\n${second}\nstderr:\n${err}")
endif()
expect("${second}" "store in " "second run")
if(second MATCHES "demo store created")
  message(FATAL_ERROR "second run made the demo store again:\n${second}")
endif()
entry_lines("${second}" second_entries)
if(NOT first_entries STREQUAL second_entries)
  message(FATAL_ERROR "the second bill differs:\n${first_entries}\n---\n${second_entries}")
endif()
if(PREVIEW_OPTION)
  file(SHA256 "${STORE}/Dados/loja.db" stored)
  run_host(preview rc err "${STORE}" "${PREVIEW_OPTION}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "preview: exit status ${rc}\nstdout:\n${preview}\nstderr:\n${err}")
  endif()
  expect("${preview}" "nothing written" "preview")
  entry_lines("${preview}" preview_entries)
  if(NOT first_entries STREQUAL preview_entries)
    message(FATAL_ERROR "the preview differs:\n${first_entries}\n---\n${preview_entries}")
  endif()
  file(SHA256 "${STORE}/Dados/loja.db" after_preview)
  if(NOT stored STREQUAL after_preview)
    message(FATAL_ERROR "the preview changed the store's database")
  endif()
endif()
message(STATUS "${first}")
