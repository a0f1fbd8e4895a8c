// SPDX-License-Identifier: MIT
// The edge every PVM program of the project shares: joining and leaving the virtual machine,
// the daemons' notices of a task's end and a host's loss, spawning one task, and sends and
// packs whose failures become one message. Each failure is told in *chyba as
// "<call> selhalo (cislo chyby <code>)", and the caller puts its own prefix in front; a caller
// that has no use for the text passes nullptr.
#pragma once

#include <string>
#include <vector>

// Notices from the PVM daemons, never sent by a task: a task has exited (its identifier), a
// host has been lost (the identifier of its daemon).
const int ZNACKA_KONEC_ULOHY = 90;
const int ZNACKA_KONEC_HOSTITELE = 91;

// Joins PVM with libpvm's own messages off (the programs tell failures themselves, in Czech).
// Returns this task's identifier, or PVM's negative error code.
int prihlas_do_pvm();

// Leaves PVM, with libpvm's own messages off; the daemon forgets this task.
void odhlas_z_pvm();

// Points standard error, where libpvm prints its own messages, at /dev/null for good. Returns
// a new descriptor (closed on exec) of the stream it was, for the program's own messages, or
// -1 when that cannot be done and standard error is left as it was.
int odklon_hlaseni_libpvm();

// Starts one copy of program with the arguments (none when empty) wherever PVM chooses.
// Returns its task identifier, or PVM's negative error code (PvmNoFile: the daemon did not
// find the program).
int spust_ulohu(const std::string &program, const std::vector<std::string> &argumenty);

// The task that spawned this one, or PVM's negative code when none did.
int rodic_ulohy();

// The PVM identifier of the host task tid runs on, in *hostitel.
bool zjisti_hostitele(int tid, int *hostitel, std::string *chyba);

// Kills the tasks, all of them even when one kill fails; the first failure in *chyba.
bool zabij_ulohy(const std::vector<int> &ulohy, std::string *chyba);

// Asks the daemons to announce, with ZNACKA_KONEC_ULOHY, the end of each of the tasks; a task
// that has already ended is announced at once, so no end slips through.
bool hlidej_konec_uloh(const std::vector<int> &ulohy, std::string *chyba);

// Asks the daemons to announce, with ZNACKA_KONEC_HOSTITELE, the loss of every host the tasks
// run on, each host once.
bool hlidej_hostitele_uloh(const std::vector<int> &ulohy, std::string *chyba);

// A new send buffer in PVM's portable encoding, or in kodovani (PvmDataInPlace, say).
bool zacni_zpravu(std::string *chyba);
bool zacni_zpravu(int kodovani, std::string *chyba);

// Packs n values into the send buffer.
bool zabal(const int *hodnoty, int n, std::string *chyba);
bool zabal(const double *hodnoty, int n, std::string *chyba);

// Sends the send buffer to one task, or to every task of ulohy (none: nothing is sent).
bool posli(int uloha, int znacka, std::string *chyba);
bool rozesli(const std::vector<int> &ulohy, int znacka, std::string *chyba);

// Unpacks n values from the message just received; false when it holds fewer.
bool rozbal(int *hodnoty, int n, std::string *chyba);
bool rozbal(double *hodnoty, int n, std::string *chyba);

// Waits for the next message from anyone, at most lhuta_s seconds (below 0: for ever).
// Returns its buffer, with its tag and sender, 0 when the time ran out, or PVM's negative
// error code when no message can ever come (the local daemon is gone).
int prijmi_zpravu(double lhuta_s, int &znacka, int &odesilatel);

// The text every failed call gets: "<volani> selhalo (cislo chyby <kod>)".
std::string chyba_volani(const char *volani, int kod);
