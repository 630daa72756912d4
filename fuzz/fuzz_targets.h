#pragma once

#include <cstddef>
#include <cstdint>

namespace aerovell::fuzz {

// One input for each reader of outside bytes. Errors the readers raise are the
// expected answer to bad input; anything else (a crash, a hang, a sanitizer
// report) is a finding. Shared by the libFuzzer drivers and the corpus replay.
// The score service's letters and info text, and the game's version answer.
void ScoreRequest(const uint8_t* data, size_t size);
void ObjectStream(const uint8_t* data, size_t size);
void Bitmap(const uint8_t* data, size_t size);
void SoundLibrary(const uint8_t* data, size_t size);
// The status and header lines of an HTTP answer, and the cookies they set.
void HttpHead(const uint8_t* data, size_t size);
// An input script of the headless player.
void InputScript(const uint8_t* data, size_t size);
// The test pad's feed of the SDL platform, in two pieces cut where the first byte says.
void TestPad(const uint8_t* data, size_t size);
// A request head as the score service checks it (its lines as the HTTP
// library hands them over), and the client a proxy names.
void RequestHead(const uint8_t* data, size_t size);
// A replay file: its header, its packed content, and the game in it.
void Replay(const uint8_t* data, size_t size);

}  // namespace aerovell::fuzz
