#include "render/software/SoftwareEffectProcessor.h"
