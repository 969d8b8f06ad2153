#include "module/ClassTable.h"

#include <ZRQDistortion2D.h>

#include "effect/ZRQDistortion2DEffect.h"
#include "proppage/ZRQDistortion2DProp.h"

namespace {

ClassEntry classes[] = {
    {&CLSID_ZRQDistortion2DProp, 107, &ClassFactory::Create, &ZRQDistortion2DProp::CreateInstance,
     nullptr},
    {&CLSID_ZRQDistortion2DEffect, 102, &ClassFactory::Create,
     &ZRQDistortion2DEffect::CreateInstance, nullptr},
};

} // namespace

std::span<ClassEntry> ClassTable() { return classes; }
