# SPDX-License-Identifier: MIT
# Install step: scripts/pvm-run.sh becomes <bin>/pvm-run, told where its helpers and the task
# programs lie relative to itself (a task folder outside the prefix is named as it is).
# The top level sets KVS_SOURCE_DIR, KVS_BINARY_DIR, KVS_BIN_DIR, KVS_HELPER_DIR, KVS_PVM_TASK_DIR.
set(bin "${CMAKE_INSTALL_PREFIX}/${KVS_BIN_DIR}")
file(RELATIVE_PATH helpers "${bin}" "${CMAKE_INSTALL_PREFIX}/${KVS_HELPER_DIR}")
if(IS_ABSOLUTE "${KVS_PVM_TASK_DIR}")
  set(tasks "${KVS_PVM_TASK_DIR}")
else()
  file(RELATIVE_PATH tasks "${bin}" "${CMAKE_INSTALL_PREFIX}/${KVS_PVM_TASK_DIR}")
  set(tasks "$(cd \"$here/${tasks}\" && pwd)")
endif()

file(READ "${KVS_SOURCE_DIR}/scripts/pvm-run.sh" script)
foreach(line "helpers=$here" "installed_programs=\"\"")
  string(FIND "${script}" "\n${line}\n" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "scripts/pvm-run.sh no longer has the line ${line}")
  endif()
endforeach()
string(REPLACE "\nhelpers=$here\n" "\nhelpers=$(cd \"$here/${helpers}\" && pwd)\n"
       script "${script}")
string(REPLACE "\ninstalled_programs=\"\"\n" "\ninstalled_programs=${tasks}\n" script "${script}")
# A folder of this install's own: package builds may install from one build at the same time,
# each into its own destination.
string(MD5 unique "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(made "${KVS_BINARY_DIR}/install-${unique}")
file(WRITE "${made}/pvm-run" "${script}")
file(INSTALL DESTINATION "${bin}" TYPE PROGRAM FILES "${made}/pvm-run")
file(REMOVE_RECURSE "${made}")
