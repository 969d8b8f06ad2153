// Makes the device-path renderer that the catalogue names for an effect identifier.
#pragma once

#include <memory>

#include "render/DistortionRenderer.h"

// The renderer for a valid identifier, not yet attached; null for an identifier outside the
// catalogue or when there is no memory for it.
[[nodiscard]] std::unique_ptr<DistortionRenderer> CreateRenderer(LONG effectId) noexcept;
