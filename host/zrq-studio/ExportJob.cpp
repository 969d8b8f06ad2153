#include "host/zrq-studio/ExportJob.h"

#include "host/RenderJobs.h"
#include "host/zrq-studio/ParameterSnapshot.h"

Result<std::unique_ptr<ExportJob>> ExportJob::Start(const EffectModule &module,
                                                    const ProjectParameters &project,
                                                    ExportRequest request) {
  if (request.output.empty()) return Error{"name the file to export to"};
  Result<ProjectParameters> copy = project.Copy(module);
  if (!copy.ok()) return Error{copy.message()};
  // The copy renders what the preview shows, a set without key frames included.
  Result<ParameterSnapshot> shown = ParameterSnapshot::Read(project.Interface());
  if (!shown.ok()) return Error{shown.message()};
  if (Status applied = shown.value().ApplyTo(copy.value().Interface()); !applied.ok())
    return Error{applied.message()};
  Result<LONG> effectId = copy.value().EffectId();
  if (!effectId.ok()) return Error{effectId.message()};
  IEffectParameters *parameters = copy.value().Interface();
  auto plan = std::make_unique<RenderPlan>(
      RenderPlan{std::move(copy.value()), effectId.value(),
                 EffectValueSchedule(parameters, std::nullopt, request.time), &module});
  std::unique_ptr<ExportJob> job(new ExportJob(std::move(request), std::move(plan)));
  job->thread = std::thread([raw = job.get()] { raw->Run(); });
  return job;
}

ExportJob::ExportJob(ExportRequest request, std::unique_ptr<RenderPlan> plan)
    : request(std::move(request)), plan(std::move(plan)) {}

ExportJob::~ExportJob() {
  if (thread.joinable()) thread.join();
}

std::optional<Status> ExportJob::Outcome() const {
  std::lock_guard<std::mutex> hold(lock);
  return outcome;
}

void ExportJob::Run() {
  RenderOptions options;
  options.mode = request.video ? RunMode::Video : RunMode::Picture;
  options.input = request.input;
  options.cardSize = request.cardSize;
  options.output = request.output;
  options.path = request.path;
  options.time = request.time;
  options.quiet = true;
  options.progress = [this](double fraction) { progress.store(fraction); };
  Status status =
      request.video ? RunVideoJob(options, *plan) : RunPictureJob(options, *plan, stderr);
  if (status.ok()) progress.store(1.0);
  // The copy of the effect goes on the thread that rendered with it.
  plan.reset();
  std::lock_guard<std::mutex> hold(lock);
  outcome = std::move(status);
}
