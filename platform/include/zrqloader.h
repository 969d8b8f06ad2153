// Our own extension to the library loader: the loader's own words for the last failure.
#pragma once

#include "libloaderapi.h"

// Copies the message of this thread's last failed LoadLibraryW (for example "libfoo.so:
// cannot open shared object file: No such file or directory") into buffer, cut to size - 1
// bytes and terminated, and returns its full length in bytes; 0 when no load has failed.
STDAPI_(DWORD) ZrqGetLoaderMessage(LPSTR buffer, DWORD size);
