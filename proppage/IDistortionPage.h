// The page's own interface: it names the class, and has no methods beyond IUnknown's.
#pragma once

#include <objbase.h>

// {D5FDAEF1-F4FC-4F7B-B9D9-E181727BA5F1}
DEFINE_GUID(IID_IDistortionPage, 0xD5FDAEF1, 0xF4FC, 0x4F7B, 0xB9, 0xD9, 0xE1, 0x81, 0x72, 0x7B,
            0xA5, 0xF1);

struct IDistortionPage : public IUnknown {};
ZRQ_DECLARE_UUID(IDistortionPage, 0xD5FDAEF1, 0xF4FC, 0x4F7B, 0xB9, 0xD9, 0xE1, 0x81, 0x72, 0x7B,
                 0xA5, 0xF1);
