// The render call behind the preview: a picture rendered at a time of the clip on one path,
// by an effect of the preview's own that is brought to the edited parameters first. Each path
// has its own effect (an effect serves one path), made when the path is first asked for. Not
// thread-safe: one thread (the render worker, or the benchmark) owns it.
#pragma once

#include "host/EffectModule.h"
#include "host/Frame.h"
#include "host/FrameRenderer.h"
#include "host/ProjectParameters.h"
#include "host/zrq-studio/ParameterSnapshot.h"

#include <memory>
#include <optional>

class PreviewRenderer {
public:
  // For pictures of `size`; the effects are made of `module`, which must outlive this.
  PreviewRenderer(const EffectModule &module, FrameSize size) : module(module), size(size) {}

  FrameSize Size() const { return size; }

  // `source` (of Size()) rendered with `parameters` at `time` on `path`; the picture stays
  // valid until the next Render on that path.
  Result<const Frame *> Render(const ParameterSnapshot &parameters, const Frame &source,
                               double time, RenderPath path);

private:
  struct PathState {
    std::optional<ProjectParameters> effect;
    std::unique_ptr<FrameRenderer> renderer;
    std::optional<ParameterSnapshot> applied;
    std::optional<Frame> picture;
  };
  Status Prepare(PathState &state, const ParameterSnapshot &parameters, RenderPath path);

  const EffectModule &module;
  FrameSize size;
  PathState software;
  PathState device;
};
