// Reads a saved parameter set out of the host's document. Reading changes nothing in any
// parameter set: what the document holds is collected first and merged afterwards.
#pragma once

#include <msxml2.h>

#include "params/LoadedParameterSet.h"

// Reads the set under element, or under its first child named rootElementName when that is
// not empty (none: loaded->found stays false). A "KeyFrame" without "Time" is skipped. Any
// failing DOM call ends the read with its code; so does an "i4" or "r8" field whose text is
// not a number of its type (DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW), and any typed value
// whose text the DOM cannot read as its data type. A time that is not a number is
// E_INVALIDARG. No memory: E_OUTOFMEMORY.
HRESULT ReadParameterSet(IXMLDOMNode *element, const SharedString &rootElementName,
                         LoadedParameterSet *loaded) noexcept;
