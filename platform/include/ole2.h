// The OLE umbrella header: COM and OLE Automation.
#pragma once

#include "objbase.h"
#include "oleauto.h"
