// Our own extension to the registry: where it is kept, what went wrong with its file, and the
// .reg text form for tools. The registry is one text file in the REGEDIT5 form, in
// $ZRQ_REGISTRY when that is set, else $XDG_DATA_HOME/zrq/registry.reg (by default
// ~/.local/share/zrq/registry.reg). A change is written to a new file that replaces the old
// one in one step, under a lock that other processes honour, so the file is always whole.
#pragma once

#include "winreg.h"

// The registry file's path (UTF-8), cut to size - 1 bytes and terminated; the result is its
// full length in bytes.
STDAPI_(DWORD) ZrqRegGetStorePath(LPSTR buffer, DWORD size);

// What went wrong with the registry file in this thread's last registry call, such as
// "/home/me/.local/share/zrq/registry.reg:12: unterminated string"; empty after a call
// that met no such problem. Copied like ZrqRegGetStorePath.
STDAPI_(DWORD) ZrqRegGetLastProblem(LPSTR buffer, DWORD size);

// Writes the key and everything below it to `file` (UTF-8 path) as a .reg file, replacing
// the file in one step.
STDAPI_(LSTATUS) ZrqRegExportKey(HKEY hKey, LPCSTR file);

// Applies a .reg file (UTF-8 or UTF-16 with its byte-order mark): its keys and values are
// written and its deletions ([-KEY], "name"=-) made, all in one change. A file that does not
// read fails with ERROR_BADDB, the problem (with its line) in ZrqRegGetLastProblem, and
// changes nothing.
STDAPI_(LSTATUS) ZrqRegImportFile(LPCSTR file);

// Holds this thread's registry changes until ZrqRegEndBatch: the writers' lock is taken at
// the start (other processes' changes wait), every change until the end is made in memory and
// seen by this thread's reads, and the end writes them all in one step; a process that dies
// before the end changes nothing. Batches nest; the outermost end writes. Registration tools
// use it so that a registration is one change however many calls it makes.
STDAPI_(LSTATUS) ZrqRegBeginBatch(void);
// ERROR_INVALID_PARAMETER without a batch; otherwise the write's result.
STDAPI_(LSTATUS) ZrqRegEndBatch(void);
