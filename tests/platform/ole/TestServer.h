// The class of the activation tests' in-process server (TestServer.cpp).
#pragma once

#include <objbase.h>

// {7D1C5E0A-3B2F-4C8D-9E6A-1F2B3C4D5E6F}
DEFINE_GUID(CLSID_TestServerObject, 0x7D1C5E0A, 0x3B2F, 0x4C8D, 0x9E, 0x6A, 0x1F, 0x2B, 0x3C, 0x4D,
            0x5E, 0x6F);
