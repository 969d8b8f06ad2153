// How a stored value leaves the parameter set: the output is overwritten without being
// cleared; a string goes out as a fresh copy the caller frees (a null string when no memory
// is left), an interface with a reference of its own, anything else bit for bit.
#pragma once

#include <oleauto.h>

void HandOutValue(const VARIANT &stored, VARIANT *out) noexcept;
