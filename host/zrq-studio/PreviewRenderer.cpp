#include "host/zrq-studio/PreviewRenderer.h"

Status PreviewRenderer::Prepare(PathState &state, const ParameterSnapshot &parameters,
                                RenderPath path) {
  if (!state.effect) {
    Result<ProjectParameters> made = ProjectParameters::Create(module);
    if (!made.ok()) return made.status();
    // The effect takes its "Effect ID" before a path builds what renders it.
    if (Status applied = parameters.ApplyTo(made.value().Interface()); !applied.ok())
      return applied;
    CComPtr<IUnknown> effect;
    made.value().Interface()->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&effect));
    Result<std::unique_ptr<FrameRenderer>> renderer =
        MakeFrameRenderer(path, effect, size, DeviceCaps::Shaders);
    if (!renderer.ok()) return renderer.status();
    Result<Frame> picture = Frame::Allocate(size);
    if (!picture.ok()) return picture.status();
    state.effect.emplace(std::move(made.value()));
    state.renderer = std::move(renderer.value());
    state.picture.emplace(std::move(picture.value()));
    state.applied = parameters;
    return Status::Ok();
  }
  if (state.applied && state.applied->RendersLike(parameters)) return Status::Ok();
  // Until the new set is in, the effect's state is nobody's: apply again next time.
  state.applied.reset();
  if (Status applied = parameters.ApplyTo(state.effect->Interface()); !applied.ok()) return applied;
  state.applied = parameters;
  return Status::Ok();
}

Result<const Frame *> PreviewRenderer::Render(const ParameterSnapshot &parameters,
                                              const Frame &source, double time, RenderPath path) {
  if (source.Size() != size) return Error{"the picture is not of the preview's size"};
  PathState &state = path == RenderPath::Software ? software : device;
  if (Status prepared = Prepare(state, parameters, path); !prepared.ok())
    return Error{prepared.message()};
  if (Status rendered = state.renderer->Render(source, *state.picture, time); !rendered.ok())
    return Error{rendered.message()};
  return &*state.picture;
}
