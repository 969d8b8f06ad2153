// Writes a parameter set into the host's document.
#pragma once

#include <array>
#include <msxml2.h>
#include <vector>

#include "params/KeyFrameGroup.h"
#include "params/ParameterRecord.h"

// What a save writes, copied out of the parameter set so that the DOM is called without the
// set's lock held.
struct ParameterSetSnapshot {
  std::vector<ParameterRecord> records;
  std::array<KeyFrameGroup, 3> groups; // StartOffset, EndOffset, Percentage
  SharedString rootElementName;
};

// Writes "ParameterSet" (each record's value and name) and the non-empty key-frame groups
// under node, or under a new element rootElementName appended to node when that is not
// empty. Everything is built first and appended to node at the end, so a failing DOM call
// (whose code is returned) leaves node as it was. Values of a type that cannot be written
// are left out. A node that belongs to no document gives E_INVALIDARG.
HRESULT WriteParameterSet(const ParameterSetSnapshot &set, IXMLDOMNode *node) noexcept;
