// The parameter set a run renders with, held the way a host holds an effect's: it is the
// effect object's own set, reached through IEffectParameters; a project document is loaded
// over it, then the overrides of the command line. Frames read "Effect ID" and the key frames
// of "Effect Value" from it, and a project saved is exactly what the effect holds.
#pragma once

#include "host/ArgumentValues.h"
#include "host/CommandLine.h"
#include "host/EffectModule.h"
#include "host/Status.h"
#include "host/StatusCode.h"

#include <ZRQDistortion2D.h>

#include <atlcomcli.h>

#include <span>
#include <string>
#include <vector>

// The document element of the projects zrq-render writes.
inline constexpr const char *kProjectElementName = "ZrqRenderProject";

class ProjectParameters {
public:
  // A new effect of `module`: its set holds the effect's four parameters and no key frames.
  // The effect waits on the software path until a render path takes it (see the .cpp).
  [[nodiscard]] static Result<ProjectParameters> Create(const EffectModule &module);
  // A new effect of `module` holding a copy of this set, as a host copies an effect's
  // settings: saved into an XML element and loaded from it.
  [[nodiscard]] Result<ProjectParameters> Copy(const EffectModule &module) const;

  // Loads a project document over the set. On failure nothing changed and the message
  // carries the status and the reason; a load that passed something over succeeds and
  // adds its reason to *warnings. *namesEffect says whether the document gave "Effect ID"
  // (without it the set keeps the one it had).
  Status Load(const std::string &path, std::vector<std::string> *warnings,
              bool *namesEffect = nullptr);
  Status SetEffectId(LONG effectId);
  // The start-offset key frames of "Effect Value" become `keys`; other groups are kept.
  Status ReplaceKeyFrames(std::span<const KeyFrameArgument> keys);
  // "Effect ID", checked against the catalogue.
  Result<LONG> EffectId() const;
  // How many key frames hold "Effect Value", over all groups.
  Result<ULONG> KeyFrameCount() const;
  // The normalised times of the key frames of "Effect Value", ascending, each once.
  Result<std::vector<double>> KeyFrameTimes() const;
  // Reads every key frame of "Effect Value" once, as the straight line will: its time must be
  // a finite number near enough to the clip to compute with, its value a number the line's
  // arithmetic takes and finite. So a run stops before it renders anything rather than at
  // the frame that meets a bad key frame. Times outside 0..1 and values outside 0..100, which
  // the command line refuses, are allowed and told in *warnings (one line for each kind).
  Status CheckKeyFrames(std::vector<std::string> *warnings) const;
  // Writes the set as a project document through AtomicOutputFile.
  Status Save(const std::string &path) const;
  // ApplyParameters: the effect takes up a changed "Effect ID".
  Status Apply() const;

  // The effect's parameter interface; the effect's other interfaces are queried from it.
  IEffectParameters *Interface() const { return parameters; }

private:
  explicit ProjectParameters(CComPtr<IEffectParameters> parameters)
      : parameters(std::move(parameters)) {}

  CComPtr<IEffectParameters> parameters;
};

// The set a run uses: --params loaded over a new set, then --effect and the key frames of
// the flags. A new set without key frames from the flags holds the parameter's own value
// from time 0. Fails when the result cannot render: an "Effect ID" outside the catalogue, or
// no key frame of "Effect Value". Warnings of the load (and that a project naming no effect
// gets the default one) are added to *warnings.
Result<ProjectParameters> ProjectFromOptions(const RenderOptions &options,
                                             const EffectModule &module,
                                             std::vector<std::string> *warnings);
