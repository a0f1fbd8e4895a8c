// SPDX-License-Identifier: MIT
// Message tags shared by the test-only task hostinfo_task and the master multihost_probe.
#pragma once

// Task to parent: its task id, host name, working folder and process id.
const int TAG_ZPRAVA = 1;
// Parent to a waiting task: it may end now.
const int TAG_KONEC = 2;
// Notices that PVM sends to the parent when a task ends or a host is lost.
const int TAG_TASK_EXIT = 3;
const int TAG_HOST_DELETE = 4;
