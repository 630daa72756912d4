#include "platform/sdl/vk_keymap.h"

#include <array>

namespace aerovell {
namespace {

struct Pair {
  SDL_Scancode scancode;
  uint16_t vk;
};

constexpr Pair kKeys[] = {
    {SDL_SCANCODE_RETURN, 0x0D},       {SDL_SCANCODE_ESCAPE, 0x1B},      {SDL_SCANCODE_BACKSPACE, 0x08},
    {SDL_SCANCODE_TAB, 0x09},          {SDL_SCANCODE_SPACE, 0x20},       {SDL_SCANCODE_MINUS, 0xBD},
    {SDL_SCANCODE_EQUALS, 0xBB},       {SDL_SCANCODE_LEFTBRACKET, 0xDB}, {SDL_SCANCODE_RIGHTBRACKET, 0xDD},
    {SDL_SCANCODE_BACKSLASH, 0xDC},    {SDL_SCANCODE_SEMICOLON, 0xBA},   {SDL_SCANCODE_APOSTROPHE, 0xDE},
    {SDL_SCANCODE_GRAVE, 0xC0},        {SDL_SCANCODE_COMMA, 0xBC},       {SDL_SCANCODE_PERIOD, 0xBE},
    {SDL_SCANCODE_SLASH, 0xBF},        {SDL_SCANCODE_CAPSLOCK, 0x14},    {SDL_SCANCODE_PRINTSCREEN, 0x2C},
    {SDL_SCANCODE_SCROLLLOCK, 0x91},   {SDL_SCANCODE_PAUSE, 0x13},       {SDL_SCANCODE_INSERT, 0x2D},
    {SDL_SCANCODE_HOME, 0x24},         {SDL_SCANCODE_PAGEUP, 0x21},      {SDL_SCANCODE_DELETE, 0x2E},
    {SDL_SCANCODE_END, 0x23},          {SDL_SCANCODE_PAGEDOWN, 0x22},    {SDL_SCANCODE_RIGHT, 0x27},
    {SDL_SCANCODE_LEFT, 0x25},         {SDL_SCANCODE_DOWN, 0x28},        {SDL_SCANCODE_UP, 0x26},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x90}, {SDL_SCANCODE_KP_DIVIDE, 0x6F},   {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
    {SDL_SCANCODE_KP_MINUS, 0x6D},     {SDL_SCANCODE_KP_PLUS, 0x6B},     {SDL_SCANCODE_KP_ENTER, 0x0D},
    {SDL_SCANCODE_KP_0, 0x60},         {SDL_SCANCODE_KP_PERIOD, 0x6E},   {SDL_SCANCODE_APPLICATION, 0x5D},
    {SDL_SCANCODE_LCTRL, 0x11},        {SDL_SCANCODE_RCTRL, 0x11},       {SDL_SCANCODE_LSHIFT, 0x10},
    {SDL_SCANCODE_RSHIFT, 0x10},       {SDL_SCANCODE_LALT, 0x12},        {SDL_SCANCODE_RALT, 0x12},
    {SDL_SCANCODE_LGUI, 0x5B},         {SDL_SCANCODE_RGUI, 0x5C},
};

std::array<uint16_t, SDL_NUM_SCANCODES> BuildTable() {
  std::array<uint16_t, SDL_NUM_SCANCODES> t{};
  for (int i = 0; i < 26; ++i) t[SDL_SCANCODE_A + i] = static_cast<uint16_t>('A' + i);
  for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_1 + i] = static_cast<uint16_t>('1' + i);
  t[SDL_SCANCODE_0] = '0';
  for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F1 + i] = static_cast<uint16_t>(0x70 + i);
  for (int i = 0; i < 12; ++i) t[SDL_SCANCODE_F13 + i] = static_cast<uint16_t>(0x7C + i);
  for (int i = 0; i < 9; ++i) t[SDL_SCANCODE_KP_1 + i] = static_cast<uint16_t>(0x61 + i);
  for (const Pair& p : kKeys) t[p.scancode] = p.vk;
  return t;
}

}  // namespace

uint16_t ScancodeToVk(SDL_Scancode scancode) {
  static const auto table = BuildTable();
  return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? table[scancode] : 0;
}

}  // namespace aerovell
