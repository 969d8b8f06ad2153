// The umbrella header: the basic types and status codes, COM and OLE Automation.
#pragma once

#include "wtypes.h"
#include "winerror.h"
#include "guiddef.h"
#include "unknwn.h"
#include "objbase.h"
#include "oaidl.h"
#include "oleauto.h"
#include "winbase.h"
#include "winreg.h"
