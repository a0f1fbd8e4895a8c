// SPDX-License-Identifier: MIT
// The edge every PVM program of the project shares: joining and leaving the virtual machine,
// the daemons' notices of a task's end and a host's loss, spawning one task, and sends and
// packs whose failures become one message. Each failure is told in *chyba as
// "<call> selhalo (cislo chyby <code>)", and the caller puts its own prefix in front; a caller
// that has no use for the text passes nullptr.
#pragma once

#include <functional>
#include <string>
#include <vector>

// PVM as the programs use it: one method a library call, each returning what the call returns
// (below 0: PVM's error code). The daemon's back end, pvm_demona(), is libpvm itself; tests put
// a scripted one in its place (common/falesne_pvm.h), so the loops that talk to PVM run
// without a daemon.
class Pvm {
public:
    virtual ~Pvm() = default;
    // pvm_mytid with libpvm's own messages off: this task's identifier.
    virtual int prihlas() = 0;
    // pvm_exit.
    virtual int odhlas() = 0;
    // pvm_parent: the task that spawned this one.
    virtual int rodic() = 0;
    // pvm_tidtohost: the daemon of the host task tid runs on.
    virtual int hostitel(int tid) = 0;
    // PVM's architecture name of the host task tid runs on, empty when PVM cannot tell.
    virtual std::string architektura(int tid) = 0;
    // Count of data formats among the virtual machine's hosts (pvm_config).
    virtual int formatu_dat() = 0;
    // pvm_spawn of one copy of program with argumenty, wherever PVM chooses: 1 with its
    // identifier in *tid, else 0 or below with PVM's code in *tid.
    virtual int spust(const std::string &program, const std::vector<std::string> &argumenty,
                      int *tid) = 0;
    // pvm_kill.
    virtual int zabij(int tid) = 0;
    // pvm_notify: a message tagged znacka when one of koho ends (PvmTaskExit) or is lost as a
    // host (PvmHostDelete).
    virtual int hlidej(int udalost, int znacka, const std::vector<int> &koho) = 0;
    // pvm_export: spawned tasks get the environment variable promenna.
    virtual int exportuj(const char *promenna) = 0;
    // pvm_initsend: a new send buffer in encoding kodovani.
    virtual int zacni_zpravu(int kodovani) = 0;
    // pvm_pkint, pvm_pkdouble with stride 1.
    virtual int zabal(const int *hodnoty, int n) = 0;
    virtual int zabal(const double *hodnoty, int n) = 0;
    // pvm_send; pvm_mcast to every task of ulohy.
    virtual int posli(int uloha, int znacka) = 0;
    virtual int rozesli(const std::vector<int> &ulohy, int znacka) = 0;
    // The first message from od (-1: anyone) tagged znacka (-1: any), waiting at most lhuta_s
    // seconds (0: not at all; below 0: for ever). Its buffer, with its tag and sender in
    // *prisla and *odesilatel; 0 when none came; PVM's code when none can ever come.
    virtual int prijmi(int od, int znacka, double lhuta_s, int *prisla, int *odesilatel) = 0;
    // pvm_upkint, pvm_upkdouble with stride 1, from the message last received.
    virtual int rozbal(int *hodnoty, int n) = 0;
    virtual int rozbal(double *hodnoty, int n) = 0;
    // pvm_freebuf of a received message.
    virtual int zahod(int zprava) = 0;
};

// The back end of a real daemon: libpvm.
Pvm &pvm_demona();

// Notices from the PVM daemons, never sent by a task: a task has exited (its identifier), a
// host has been lost (the identifier of its daemon).
const int ZNACKA_KONEC_ULOHY = 90;
const int ZNACKA_KONEC_HOSTITELE = 91;

// The calls below take the back end they go through, pvm; each failure is told in *chyba.

// Joins PVM with libpvm's own messages off (the programs tell failures themselves, in Czech).
// Returns this task's identifier, or PVM's negative error code.
int prihlas_do_pvm(Pvm &pvm);

// Leaves PVM, with libpvm's own messages off; the daemon forgets this task.
void odhlas_z_pvm(Pvm &pvm);

// Points standard error, where libpvm prints its own messages, at /dev/null for good. Returns
// a new descriptor (closed on exec) of the stream it was, for the program's own messages, or
// -1 when that cannot be done and standard error is left as it was.
int odklon_hlaseni_libpvm();

// Starts one copy of program with the arguments (none when empty) wherever PVM chooses.
// Returns its task identifier, or PVM's negative error code (PvmNoFile: the daemon did not
// find the program).
int spust_ulohu(Pvm &pvm, const std::string &program, const std::vector<std::string> &argumenty);

// The task that spawned this one, or PVM's negative code when none did.
int rodic_ulohy(Pvm &pvm);

// The PVM identifier of the host task tid runs on, in *hostitel.
bool zjisti_hostitele(Pvm &pvm, int tid, int *hostitel, std::string *chyba);

// Kills the tasks, all of them even when one kill fails; the first failure in *chyba.
bool zabij_ulohy(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba);

// Asks the daemons to announce, with ZNACKA_KONEC_ULOHY, the end of each of the tasks; a task
// that has already ended is announced at once, so no end slips through.
bool hlidej_konec_uloh(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba);

// Asks the daemons to announce, with ZNACKA_KONEC_HOSTITELE, the loss of every host the tasks
// run on, each host once.
bool hlidej_hostitele_uloh(Pvm &pvm, const std::vector<int> &ulohy, std::string *chyba);

// Reads the daemons' notice just received with tag znacka into *kdo: the task that ended, or
// the daemon of the host that was lost. False when znacka is no notice's tag or the message
// holds no identifier.
bool rozbal_oznameni(Pvm &pvm, int znacka, int *kdo);

// Whether the notice (znacka, kdo) concerns task tid, which runs on host hostitel (recorded
// when it was spawned: a lost host can no longer be asked which tasks it held).
bool oznameni_se_tyka(int znacka, int kdo, int tid, int hostitel);

// The one message for a failed join, kod being what pvm_mytid returned.
std::string text_neprihlaseni(int kod);

// Whether spawn code kod says the daemon did not find the program.
bool program_nenalezen(int kod);

// A new send buffer in PVM's portable encoding, or in kodovani (PvmDataInPlace, say).
bool zacni_zpravu(Pvm &pvm, std::string *chyba);
bool zacni_zpravu(Pvm &pvm, int kodovani, std::string *chyba);

// Packs n values into the send buffer.
bool zabal(Pvm &pvm, const int *hodnoty, int n, std::string *chyba);
bool zabal(Pvm &pvm, const double *hodnoty, int n, std::string *chyba);

// Sends the send buffer to one task, or to every task of ulohy (none: nothing is sent).
bool posli(Pvm &pvm, int uloha, int znacka, std::string *chyba);
bool rozesli(Pvm &pvm, const std::vector<int> &ulohy, int znacka, std::string *chyba);

// Unpacks n values from the message just received; false when it holds fewer.
bool rozbal(Pvm &pvm, int *hodnoty, int n, std::string *chyba);
bool rozbal(Pvm &pvm, double *hodnoty, int n, std::string *chyba);

// Waits for the next message from anyone, at most lhuta_s seconds (below 0: for ever).
// Returns its buffer, with its tag and sender, 0 when the time ran out, or PVM's negative
// error code when no message can ever come (the local daemon is gone).
int prijmi_zpravu(Pvm &pvm, double lhuta_s, int &znacka, int &odesilatel);

// How often a wait that can be given up looks whether it should be.
const double LHUTA_PRERUSENI_S = 0.2;

// Waits for the next message from anyone, as prijmi_zpravu(pvm, -1, ...) does, but asks
// skoncit before each slice of LHUTA_PRERUSENI_S seconds (the first slice is a mere look) and
// gives up, returning 0, when it says so: PVM's own blocking receive sits through any signal.
int prijmi_zpravu_dokud(Pvm &pvm, const std::function<bool()> &skoncit, int &znacka,
                        int &odesilatel);

// The text every failed call gets: "<volani> selhalo (cislo chyby <kod>)".
std::string chyba_volani(const char *volani, int kod);
