// The parameter interface through which the host, the property page and the render path
// reach the parameter set and its key frames. It is declared with the module's other
// interfaces in module/ZRQDistortion2D.idl; the host binds by IID and slot order only.
#pragma once

#include <msxml2.h>
#include <oleauto.h>

#include <ZRQDistortion2D.h>
