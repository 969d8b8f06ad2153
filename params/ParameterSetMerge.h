// Applies a parameter set read from a document to copies of the table and the key frames.
#pragma once

#include <array>
#include <vector>

#include "params/KeyFrameGroup.h"
#include "params/LoadedParameterSet.h"

// Merges each loaded record into every record of records that it matches (by id when it has
// one, or by name): fields the document leaves out keep the table's, and the record is then
// replaced. Records that match nothing are dropped. groups are filled with the loaded key
// frames (the first key frame read at a time wins; ids are resolved by name against the
// merged records; ids of 0 and below are left out). The loaded values are moved out.
// The result is the status of the Percentage group (S_OK or S_FALSE), or E_OUTOFMEMORY, in
// which case records and groups may be half-done and must be thrown away.
HRESULT MergeLoadedParameterSet(LoadedParameterSet &loaded, std::vector<ParameterRecord> &records,
                                std::array<KeyFrameGroup, 3> &groups) noexcept;
