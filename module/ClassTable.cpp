#include "module/ClassTable.h"

#include <ZRQDistortion2D.h>

#include "effect/ZRQDistortion2DEffect.h"

namespace {

ClassEntry classes[] = {
    // The property page has no class object yet: lookups answer CLASS_E_CLASSNOTAVAILABLE.
    {&CLSID_ZRQDistortion2DProp, 107, nullptr, nullptr, nullptr},
    {&CLSID_ZRQDistortion2DEffect, 102, &ClassFactory::Create, &ZRQDistortion2DEffect::CreateInstance, nullptr},
};

}  // namespace

std::span<ClassEntry> ClassTable() { return classes; }
