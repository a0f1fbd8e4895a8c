// SPDX-License-Identifier: MIT
// The workers' log "delnik.out": emptied by the master at start, appended to by every worker,
// and never anything but a regular file, so that neither side can block on opening it nor
// write through a link into a file it was never meant for.
#pragma once

#include <string>

// Name of the log, in the working folder of the master and of each worker.
extern const char *const LOG_DELNIKU;

// Creates soubor or empties it; a symbolic link of that name is replaced by an empty regular
// file, its target neither written nor created. Returns false with a one-line Czech message
// in chyba when it cannot be created or emptied, or is not a regular file (a FIFO, a folder,
// a device, or a link to one of these).
bool vyprazdni_log(const char *soubor, std::string *chyba);

// Appends radek to soubor in one write. Returns false when it could not be written whole,
// also when soubor is not a regular file or is a symbolic link, which is never written
// through; nothing is then written anywhere.
bool pripis_do_logu(const char *soubor, const std::string &radek);

