// SPDX-License-Identifier: MIT
// pvm-run-tasker's run, below its thin main.
#pragma once

// The whole run of pvm-run-tasker given argc arguments (it takes none; its lines go to
// descriptor 3): registers as the daemon's tasker, starts the tasks the daemon asks for and
// writes their lines until the daemon is gone. Returns the exit status.
int spust_tasker(int argc);
