#include <windows.h>

#include <vector>

#include "keys/key_script.h"

namespace ordertable {
namespace {

// The layout of the calling thread, fetched once per script.
class CurrentKeyboardLayout final : public KeyboardLayout {
 public:
  CurrentKeyboardLayout() : layout_(GetKeyboardLayout(0)) {}

  std::uint16_t CharacterToKey(unsigned char character) override {
    // The character is read in the ANSI code page, as VkKeyScanExA would read it.
    return static_cast<std::uint16_t>(
        VkKeyScanExW(static_cast<WCHAR>(CharacterToUtf16(character)), layout_));
  }
  std::uint16_t KeyToScanCode(std::uint16_t virtual_key) override {
    return static_cast<std::uint16_t>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC) & 0xFFFF);
  }
  std::uint16_t CharacterToUtf16(unsigned char character) override {
    const CHAR narrow = static_cast<CHAR>(character);
    WCHAR wide[2] = {};
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, &narrow, 1, wide, 2);
    return static_cast<std::uint16_t>(wide[0]);
  }

 private:
  HKL layout_;
};

INPUT ToInput(const KeyEvent& event) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = event.virtual_key;
  input.ki.wScan = event.scan_code;
  input.ki.dwFlags = event.flags;
  return input;
}

}  // namespace

std::vector<KeyEvent> SendKeyScript(std::string_view script) {
  if (script.empty()) return {};
  CurrentKeyboardLayout layout;
  std::vector<KeyEvent> events = BuildKeyEvents(script, layout);
  std::vector<INPUT> inputs;
  for (const KeyEvent& event : events) inputs.push_back(ToInput(event));
  // One call, so the events of a script follow each other in the input stream.
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  return events;
}

}  // namespace ordertable
