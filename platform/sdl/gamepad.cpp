#include "platform/sdl/gamepad.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/logs.h"
#include "platform/pad_bindings.h"
#include "platform/sdl/test_pad.h"

namespace zolvane {

namespace {

constexpr const char* MappingFile = "gamecontrollerdb.txt";

// Our buttons are SDL's, in SDL's order.
static_assert(PadSdlButtonCount == SDL_CONTROLLER_BUTTON_MAX);
static_assert(static_cast<int>(PadButton::DpadRight) == SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
static_assert(static_cast<int>(PadButton::Touchpad) == SDL_CONTROLLER_BUTTON_TOUCHPAD);

PadReading Read(SDL_GameController* pad) {
  PadReading r;
  for (int b = 0; b < PadSdlButtonCount; ++b)
    if (SDL_GameControllerGetButton(pad, static_cast<SDL_GameControllerButton>(b)))
      r.Buttons |= PadBit(static_cast<PadButton>(b));
  r.LeftX = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
  r.LeftY = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
  r.LeftTrigger = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
  r.RightTrigger = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
  return r;
}

class Gamepads : public PadSource {
 public:
  ActionSet Read() override {
    PollTestPad();
    Readings.clear();
    for (SDL_GameController* pad : Pads) Readings.push_back(zolvane::Read(pad));
    return ActionsOfPads(Readings.data(), static_cast<int>(Readings.size()));
  }
  int Count() override { return static_cast<int>(Pads.size()); }

  void Open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    // The pads attached at the start arrive once more as events.
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* pad : Pads)
      if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) return;
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
      WriteLog(std::string("Gamepad not opened: ") + SDL_GetError());
      return;
    }
    Pads.push_back(pad);
    const char* name = SDL_GameControllerName(pad);
    WriteLog(std::string("Gamepad attached: ") + (name ? name : "(no name)"));
  }

  void Close(SDL_JoystickID id) {
    for (size_t i = 0; i < Pads.size(); ++i)
      if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(Pads[i])) == id) {
        SDL_GameControllerClose(Pads[i]);
        Pads.erase(Pads.begin() + static_cast<long>(i));
        WriteLog("Gamepad removed");
        return;
      }
  }

  void CloseAll() {
    for (SDL_GameController* pad : Pads) SDL_GameControllerClose(pad);
    Pads.clear();
  }

  std::vector<SDL_GameController*> Pads;
  std::vector<PadReading> Readings;  // kept: no allocation a frame
};

Gamepads* Source = nullptr;

// The player's own mappings, for pads SDL's database does not know.
void AddPlayerMappings() {
  struct stat info {};
  if (stat(MappingFile, &info) != 0) return;
  const int added = SDL_GameControllerAddMappingsFromFile(MappingFile);
  if (added < 0)
    WriteLog(std::string(MappingFile) + ": " + SDL_GetError());
  else
    WriteLog(std::string(MappingFile) + ": " + std::to_string(added) + " mappings");
}

}  // namespace

bool OpenGamepads() {
  CloseGamepads();
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    WriteLog(std::string("No gamepads: ") + SDL_GetError());
    return false;
  }
  AddPlayerMappings();
  Source = new Gamepads;
  for (int i = 0; i < SDL_NumJoysticks(); ++i) Source->Open(i);
  SetPadSource(Source);
  StartTestPad();
  return true;
}

void OnGamepadEvent(const SDL_Event& event) {
  if (!Source) return;
  if (event.type == SDL_CONTROLLERDEVICEADDED) Source->Open(event.cdevice.which);
  if (event.type == SDL_CONTROLLERDEVICEREMOVED) Source->Close(event.cdevice.which);
}

void CloseGamepads() {
  if (!Source) return;
  StopTestPad();
  if (GetPadSource() == Source) SetPadSource(nullptr);
  Source->CloseAll();
  delete Source;
  Source = nullptr;
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

}  // namespace zolvane
