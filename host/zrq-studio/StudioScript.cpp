#include "host/zrq-studio/StudioScript.h"

#include "host/MessageText.h"
#include "host/PngFile.h"
#include "host/zrq-studio/ParameterSnapshot.h"

#include "host/EffectParameterIds.h"

#include <zrqtext.h>

#include <cctype>

#include <fstream>
#include <sstream>

namespace {

std::string ValueText(const VARIANT &value) {
  CComVariant text;
  if (FAILED(text.ChangeType(VT_BSTR, &value))) return "?";
  std::string utf8;
  const std::u16string_view wide(text.bstrVal ? text.bstrVal : u"", SysStringLen(text.bstrVal));
  if (!ZrqWideToUtf8(wide, &utf8)) return "?";
  return utf8;
}

void PushMouse(Uint32 type, int x, int y) {
  SDL_Event event = {};
  event.type = type;
  if (type == SDL_MOUSEMOTION) {
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = 0;
  } else {
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
  }
  SDL_PushEvent(&event);
}

void PushKey(SDL_Keycode key, Uint16 mods, bool down) {
  SDL_Event event = {};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  event.key.keysym.mod = mods;
  SDL_PushEvent(&event);
}

void PushText(const std::string &text) {
  SDL_Event event = {};
  event.type = SDL_TEXTINPUT;
  std::snprintf(event.text.text, sizeof event.text.text, "%s", text.c_str());
  SDL_PushEvent(&event);
}

// A key press as SDL reports it: down, the text it types (when it types, without Ctrl or Alt),
// and up.
void PushKeyPress(SDL_Keycode key, Uint16 mods, const std::string &typed) {
  PushKey(key, mods, true);
  if (!typed.empty() && !(mods & (KMOD_CTRL | KMOD_ALT))) PushText(typed);
  PushKey(key, mods, false);
}

bool Number(const std::string &word, int *value) {
  std::istringstream in(word);
  return static_cast<bool>(in >> *value) && in.eof();
}

} // namespace

std::string DescribeParameters(const Studio &studio) {
  Result<ParameterSnapshot> read = ParameterSnapshot::Read(studio.Parameters());
  if (!read.ok()) return "unreadable: " + read.message();
  const ParameterSnapshot &p = read.value();
  CComVariant value;
  studio.Parameters()->GetValue(kEffectValueParameter, &value);
  std::string keys;
  for (const KeyFrameMark &mark : p.KeyFrames()) {
    if (mark.group != kStartOffsetKeyFrames) continue;
    keys += (keys.empty() ? "" : ",") + NumberText(mark.time) + ":" + ValueText(mark.value);
  }
  return "effect=" + std::to_string(p.EffectId()) + " value=" + ValueText(value) +
         " time=" + NumberText(p.CurrentTime()) + " cursor=" + NumberText(studio.Cursor()) +
         " keys=" + (keys.empty() ? "none" : keys);
}

Result<StudioScript> StudioScript::Load(const std::string &path) {
  std::ifstream in(path);
  if (!in) return Error{"cannot read the script " + Quoted(path)};
  std::vector<Step> steps;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    std::istringstream words(text);
    Step step{line, {}, {}};
    for (std::string word; words >> word;) step.words.push_back(word);
    if (step.words.empty() || step.words[0][0] == '#') continue;
    const size_t at = text.find(step.words[0]) + step.words[0].size();
    step.rest = at < text.size() ? text.substr(at + 1) : "";
    steps.push_back(std::move(step));
  }
  return StudioScript(std::move(steps));
}

Status StudioScript::RunNext(Studio &studio, FILE *out) {
  const Step &step = steps[next++];
  const std::vector<std::string> &w = step.words;
  const std::string where = "script line " + std::to_string(step.line) + ": ";
  std::vector<int> n;
  for (size_t i = 1; i < w.size(); ++i) {
    int value = 0;
    if (Number(w[i], &value)) n.push_back(value);
  }
  const std::string &verb = w[0];
  if (verb == "move" && n.size() == 2) {
    PushMouse(SDL_MOUSEMOTION, n[0], n[1]);
  } else if (verb == "click" && n.size() == 2) {
    PushMouse(SDL_MOUSEMOTION, n[0], n[1]);
    PushMouse(SDL_MOUSEBUTTONDOWN, n[0], n[1]);
    PushMouse(SDL_MOUSEBUTTONUP, n[0], n[1]);
  } else if (verb == "drag" && n.size() == 4) {
    PushMouse(SDL_MOUSEMOTION, n[0], n[1]);
    PushMouse(SDL_MOUSEBUTTONDOWN, n[0], n[1]);
    for (int i = 1; i <= 4; ++i)
      PushMouse(SDL_MOUSEMOTION, n[0] + (n[2] - n[0]) * i / 4, n[1] + (n[3] - n[1]) * i / 4);
    PushMouse(SDL_MOUSEBUTTONUP, n[2], n[3]);
  } else if (verb == "key" && w.size() == 2) {
    std::string name = w[1];
    Uint16 mods = 0;
    for (const auto &[prefix, mod] : {std::pair<std::string, Uint16>{"ctrl+", KMOD_LCTRL},
                                      {"shift+", KMOD_LSHIFT},
                                      {"alt+", KMOD_LALT}})
      while (name.rfind(prefix, 0) == 0) {
        mods |= mod;
        name.erase(0, prefix.size());
      }
    const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
    if (key == SDLK_UNKNOWN) return Status::Fail(where + "no key is called " + Quoted(name));
    std::string typed;
    if (key == SDLK_SPACE) typed = " ";
    if (key < 128 && std::isalnum(int(key)))
      typed = std::string(1, char((mods & KMOD_SHIFT) ? std::toupper(int(key)) : key));
    if (mods & KMOD_ALT) PushKey(SDLK_LALT, KMOD_LALT, true);
    PushKeyPress(key, mods, typed);
    if (mods & KMOD_ALT) PushKey(SDLK_LALT, 0, false);
  } else if (verb == "type" && w.size() >= 2) {
    for (char c : step.rest) {
      const bool plain = std::isalnum(static_cast<unsigned char>(c)) &&
                         !std::isupper(static_cast<unsigned char>(c));
      if (plain || c == ' ')
        PushKeyPress(SDL_Keycode(c), 0, std::string(1, c));
      else
        PushText(std::string(1, c));
    }
  } else if (verb == "print" && w.size() == 1) {
    std::fprintf(out, "%s\nmessage=%s\n", DescribeParameters(studio).c_str(),
                 studio.Panel().Message().c_str());
    std::fflush(out);
  } else if (verb == "screenshot" && w.size() == 2) {
    if (Status written = WritePngFile(w[1], studio.Compose(), PngChannels::Rgb); !written.ok())
      return Status::Fail(where + written.message());
  } else if (verb == "quit" && w.size() == 1) {
    next = steps.size();
  } else {
    return Status::Fail(where + "cannot run " +
                        Quoted(step.rest.empty() ? verb : verb + " " + step.rest));
  }
  return Status::Ok();
}
