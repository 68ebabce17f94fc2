#include "platform/sdl/test_pad.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

namespace zolvane {

namespace {

struct TestPad {
  std::string Path;
  int File = -1;
  std::string Pending;  // a line not yet ended
  SDL_Joystick* Joystick = nullptr;
};

TestPad* Hook = nullptr;

void Detach() {
  DetachVirtualPad(Hook->Joystick);
}

bool Attach() {
  if (!Hook->Joystick) Hook->Joystick = AttachVirtualPad("Zolvane test pad");
  return Hook->Joystick != nullptr;
}

// The virtual pad's buttons and axes are numbered in SDL's game controller order.
bool Carry(const std::string& line) {
  std::istringstream in(line);
  std::string word, name;
  in >> word;
  if (word.empty()) return true;
  if (word == "attach") return Attach();
  if (word == "detach") return Detach(), true;
  if (!Hook->Joystick || !(in >> name)) return false;
  if (word == "press" || word == "release") {
    const SDL_GameControllerButton b = SDL_GameControllerGetButtonFromString(name.c_str());
    return b != SDL_CONTROLLER_BUTTON_INVALID &&
           SDL_JoystickSetVirtualButton(Hook->Joystick, b, word == "press") == 0;
  }
  long value = 0;
  if (word == "axis" && in >> value) {
    const SDL_GameControllerAxis a = SDL_GameControllerGetAxisFromString(name.c_str());
    return a != SDL_CONTROLLER_AXIS_INVALID &&
           SDL_JoystickSetVirtualAxis(Hook->Joystick, a,
                                      static_cast<Sint16>(std::clamp(value, -32768L, 32767L))) == 0;
  }
  return false;
}

}  // namespace

SDL_Joystick* AttachVirtualPad(const char* name) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
  desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
  desc.name = name;
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index < 0) return nullptr;
  SDL_Joystick* pad = SDL_JoystickOpen(index);
  if (!pad) return nullptr;
  // A trigger at rest is at the low end of its axis.
  for (const SDL_GameControllerAxis trigger :
       {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT})
    SDL_JoystickSetVirtualAxis(pad, trigger, SDL_JOYSTICK_AXIS_MIN);
  return pad;
}

void DetachVirtualPad(SDL_Joystick*& pad) {
  if (!pad) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
  SDL_JoystickClose(pad);
  pad = nullptr;
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
}

void StartTestPad() {
  const char* path = std::getenv("ZOLVANE_TEST_PAD");
  if (!path || !*path || Hook) return;
  Hook = new TestPad;
  Hook->Path = path;
}

void PollTestPad() {
  if (!Hook) return;
  if (Hook->File < 0) Hook->File = ::open(Hook->Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Hook->File < 0) return;
  char buffer[512];
  ssize_t n;
  while ((n = ::read(Hook->File, buffer, sizeof buffer)) > 0)
    Hook->Pending.append(buffer, static_cast<size_t>(n));
  // One change of a button or axis per read at most: a press and its release in one
  // read would never be seen, however slow the frames.
  std::set<std::string> changed;
  size_t end;
  while ((end = Hook->Pending.find('\n')) != std::string::npos) {
    const std::string line = Hook->Pending.substr(0, end);
    std::istringstream in(line);
    std::string word, name;
    in >> word >> name;
    if (word == "attach" || word == "detach") name = "the pad";
    if (!changed.insert(name).second) break;
    Hook->Pending.erase(0, end + 1);
    if (!Carry(line)) std::fprintf(stderr, "Zolvane: test pad: '%s' failed\n", line.c_str());
  }
}

void StopTestPad() {
  if (!Hook) return;
  Detach();
  if (Hook->File >= 0) ::close(Hook->File);
  delete Hook;
  Hook = nullptr;
}

}  // namespace zolvane
