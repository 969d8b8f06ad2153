#include "host/RenderJobs.h"

#include "host/TestCard.h"

EffectValueSchedule ScheduleOf(const RenderOptions &options) {
  if (options.frames)
    return EffectValueSchedule::Ramp(options.from, options.to, *options.frames);
  return EffectValueSchedule::Constant(options.value);
}

Result<SourcePicture> LoadSourcePicture(const RenderOptions &options) {
  if (options.input.empty()) {
    Result<Frame> card = MakeTestCard(options.cardSize);
    if (!card.ok())
      return Error{card.message()};
    return SourcePicture{std::move(card.value()), PngChannels::Rgb};
  }
  Result<PngPicture> picture = ReadPngFile(options.input);
  if (!picture.ok())
    return Error{picture.message()};
  PngChannels channels = picture.value().hasAlpha ? PngChannels::Rgba : PngChannels::Rgb;
  return SourcePicture{std::move(picture.value().frame), channels};
}
